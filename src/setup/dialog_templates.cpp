#include "setup/dialog_layout.h"

#ifndef _WIN32

#include "platform/posix/os_script.h"
#include "setup/progress_bar.h"
#include "setup/text_cp.h"

namespace {

OsControlKind template_kind(ControlKind kind) {
    switch (kind) {
    case ControlKind::k_LABEL: return OsControlKind::label;
    case ControlKind::k_LABEL_RIGHT: return OsControlKind::label_right;
    case ControlKind::k_EDIT: return OsControlKind::edit;
    case ControlKind::k_EDIT_READONLY: return OsControlKind::edit_read_only;
    case ControlKind::k_BUTTON: return OsControlKind::button;
    case ControlKind::k_DEFBUTTON: return OsControlKind::default_button;
    case ControlKind::k_CHECKBOX: return OsControlKind::check_box;
    case ControlKind::k_GROUPBOX: return OsControlKind::group_box;
    case ControlKind::k_BITMAP: return OsControlKind::bitmap;
    case ControlKind::k_PROGRESS: return OsControlKind::custom;
    }
    return OsControlKind::label;
}

}  // namespace

void load_dialog_templates() {
    for (int language = 0; language < 3; ++language) {
        OsDialogTemplate t;
        t.cx = DIALOG_FORM_SPEC.cx;
        t.cy = DIALOG_FORM_SPEC.cy;
        t.font = DIALOG_FORM_SPEC.font;
        t.points = DIALOG_FORM_SPEC.points;
        t.caption = utf8_to_cp1252(DIALOG_FORM_SPEC.caption[language]);
        for (const DialogControlSpec& c : DIALOG_CONTROL_SPECS) {
            OsControlTemplate control;
            control.id = c.id;
            control.kind = template_kind(c.kind);
            if (c.kind == ControlKind::k_PROGRESS) control.class_name = PROGRESS_BAR_CLASS;
            control.x = c.x;
            control.y = c.y;
            control.cx = c.cx;
            control.cy = c.cy;
            control.text = utf8_to_cp1252(c.text[language]);
            t.controls.push_back(std::move(control));
        }
        os_script_add_dialog(100 + language, std::move(t));
    }
}

#else

void load_dialog_templates() {}

#endif
