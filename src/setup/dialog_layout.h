// The setup dialog's layout as C++ tables, from the one control table
// (dialog_controls.inc): its size, font and captions, and its 26 controls with
// ids, kinds, positions and sizes in dialog units and texts in UTF-8.
#pragma once

#include <array>
#include <cstddef>

enum class ControlKind {
    k_LABEL,
    k_LABEL_RIGHT,
    k_EDIT,
    k_EDIT_READONLY,
    k_BUTTON,
    k_DEFBUTTON,
    k_CHECKBOX,
    k_GROUPBOX,
    k_BITMAP,
    k_PROGRESS,
};

struct DialogFormSpec {
    int cx, cy;
    const char* font;
    int points;
    std::array<const char*, 3> caption;  // English, German, French (UTF-8)
};

struct DialogControlSpec {
    int id;
    ControlKind kind;
    int x, y, cx, cy;
    std::array<const char*, 3> text;  // English, German, French (UTF-8)
};

#define DIALOG_CONTROL(id, kind, x, y, cx, cy, en, de, fr)
#define DIALOG_FORM(cx, cy, font, points, en, de, fr) \
    inline constexpr DialogFormSpec DIALOG_FORM_SPEC{cx, cy, font, points, {en, de, fr}};
#include "setup/dialog_controls.inc"
#undef DIALOG_FORM
#undef DIALOG_CONTROL

#define DIALOG_FORM(cx, cy, font, points, en, de, fr)
#define DIALOG_CONTROL(id, kind, x, y, cx, cy, en, de, fr) \
    DialogControlSpec{id, ControlKind::k_##kind, x, y, cx, cy, {en, de, fr}},
inline constexpr DialogControlSpec DIALOG_CONTROL_SPECS[] = {
#include "setup/dialog_controls.inc"
};
#undef DIALOG_FORM
#undef DIALOG_CONTROL

// On Linux: gives the window layer the dialogs 100, 101 and 102 built from
// these tables (texts in code page 1252). On Windows the dialogs are resources
// of the program and this does nothing.
void load_dialog_templates();
