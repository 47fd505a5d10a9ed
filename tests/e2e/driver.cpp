// e2e_driver.exe: works the setup dialog from outside, as a user would, for the
// Wine end-to-end tests. It runs in the same Wine prefix as setup.exe, reads one
// command per line from standard input and answers each with one line:
// "ok ..." or "error ...". Fields are separated by tabs; bytes outside printable
// ASCII (and the backslash) travel as \xHH in both directions, so code page 1252
// texts pass unchanged.
//
//   find CAPTION MS         wait for the top-level dialog with this caption; it becomes "the dialog"
//   get ID                  text of control ID (WM_GETTEXT)
//   set ID TEXT             WM_SETTEXT into control ID (raises the edit's change notification)
//   type ID TEXT            the characters of TEXT typed into control ID one by one (WM_CHAR)
//   click ID                posted BM_CLICK on control ID
//   state ID                "ok CHECKED ENABLED VISIBLE" of control ID (0 or 1 each)
//   focus                   id of the control that has the dialog thread's focus
//   percent                 the progress bar's percentage: GetWindowLongA(308, 0)
//   cancel-at PERCENT MS    click Cancel as soon as the percentage reaches PERCENT; "ok SEEN"
//   box MS                  wait for a message box owned by the dialog: "ok CAPTION TEXT"
//   answer BUTTON MS        click button BUTTON of that box and wait until it is gone
//   close                   post WM_CLOSE to the dialog
//   gone MS                 wait until the dialog no longer exists
//   windows CLASS           titles of the visible top-level windows of a class
//   close-window TITLE      post WM_CLOSE to the top-level window with this title
//   active                  title of the active (foreground) window
//   rect                    the dialog's window rectangle on the screen: "ok L T R B"
//   move X Y                move the dialog's top-left corner to X, Y (screen)
//   link PATH               read a shell link: "ok PATH ARGS DIR DESCRIPTION ICON INDEX"
//   profile-set APP KEY VALUE   the setup's stored value (HKCU\Software\APP, value KEY)
//   profile-clear APP       remove the stored values of APP
//   lonebox MS              wait for a message box of its own (no dialog): "ok CAPTION TEXT"
//   reg ROOT KEY            the values of a registry key (ROOT HKCU or HKLM), sorted:
//                           "ok NAME=REG_SZ:TEXT NAME=REG_DWORD:NUMBER ..." ("ok" alone: no such key)
//   boxrect                 the last message box's window rectangle on the screen: "ok L T R B"
//   icon PATH INDEX         "ok 1" when the icon can be loaded from the file, "ok 0" otherwise
//   quit
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

HWND dialog = nullptr;
HWND last_box = nullptr;

std::string escape(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        if (c < 0x20 || c >= 0x7F || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            out += static_cast<char>(std::strtol(text.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(unescape(line.substr(start, tab == std::string::npos ? tab : tab - start)));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

void reply(const std::string& text) {
    std::fputs((text + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string window_text(HWND window) {
    const LRESULT n = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    const LRESULT got = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got));
    return text;
}

std::string class_of(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Polls `ready` every 10 ms until it holds or `ms` milliseconds have passed.
template <typename F>
bool wait_for(int ms, F ready) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (ready()) return true;
        if (static_cast<int>(GetTickCount() - start) >= ms) return false;
        Sleep(10);
    }
}

struct Search {
    std::string class_name;
    std::string title;
    HWND owner = nullptr;
    bool by_owner = false;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM p) {
    Search& s = *reinterpret_cast<Search*>(p);
    if (!IsWindowVisible(window)) return TRUE;
    if (!s.class_name.empty() && class_of(window) != s.class_name) return TRUE;
    if (s.by_owner && (GetWindow(window, GW_OWNER) != s.owner || window == s.owner)) return TRUE;
    if (!s.title.empty() && window_text(window) != s.title) return TRUE;
    s.found.push_back(window);
    return TRUE;
}

std::vector<HWND> top_level(const std::string& class_name, const std::string& title,
                            HWND owner = nullptr, bool by_owner = false) {
    Search s{class_name, title, owner, by_owner, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND control(const std::string& id) { return dialog ? GetDlgItem(dialog, std::atoi(id.c_str())) : nullptr; }

std::string read_link(const std::string& path) {
    std::vector<WCHAR> wide(path.size() + 1);
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return "error no shell link object";
    IPersistFile* file = nullptr;
    std::string result = "error cannot load";
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(wide.data(), STGM_READ))) {
            char target[MAX_PATH] = {}, args[MAX_PATH] = {}, dir[MAX_PATH] = {}, desc[MAX_PATH] = {},
                 icon[MAX_PATH] = {};
            int index = -1;
            link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
            link->GetArguments(args, MAX_PATH);
            link->GetWorkingDirectory(dir, MAX_PATH);
            link->GetDescription(desc, MAX_PATH);
            link->GetIconLocation(icon, MAX_PATH, &index);
            result = "ok " + escape(target) + "\t" + escape(args) + "\t" + escape(dir) + "\t" +
                     escape(desc) + "\t" + escape(icon) + "\t" + std::to_string(index);
        }
        file->Release();
    }
    link->Release();
    return result;
}

std::string profile(const std::vector<std::string>& f) {
    const std::string key = "Software\\" + (f.size() > 1 ? f[1] : std::string());
    if (f[0] == "profile-clear") {
        const LONG r = RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
        return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? "ok" : "error cannot remove " + escape(key);
    }
    if (f.size() < 4) return "error profile-set needs APP KEY VALUE";
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        return "error cannot create " + escape(key);
    const LONG r = RegSetValueExA(handle, f[2].c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(f[3].c_str()),
                                  static_cast<DWORD>(f[3].size() + 1));
    RegCloseKey(handle);
    return r == ERROR_SUCCESS ? "ok" : "error cannot set " + escape(f[2]);
}

std::string registry_values(const std::vector<std::string>& f) {
    if (f.size() < 3) return "error reg needs ROOT KEY";
    const HKEY root = f[1] == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, f[2].c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "ok";
    std::vector<std::string> values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD name_size = sizeof name;
        BYTE data[2048] = {};
        DWORD data_size = sizeof data - 1;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS) break;
        if (type == REG_DWORD) values.push_back(std::string(name) + "=REG_DWORD:" + std::to_string(*reinterpret_cast<DWORD*>(data)));
        else values.push_back(std::string(name) + "=REG_SZ:" + reinterpret_cast<const char*>(data));
    }
    RegCloseKey(key);
    std::sort(values.begin(), values.end());
    std::string out = "ok";
    for (const std::string& v : values) {
        out += out.size() == 2 ? ' ' : '\t';
        out += escape(v);
    }
    return out;
}

// A message box shown without a dialog (the uninstaller's, the usage).
std::string lone_box(int ms) {
    HWND box = nullptr;
    if (!wait_for(ms, [&] {
            for (const HWND w : top_level("#32770", "")) {
                if (GetDlgItem(w, 0xFFFF)) {
                    box = w;
                    return true;
                }
            }
            return false;
        }))
        return "error no message box";
    last_box = box;
    return "ok " + escape(window_text(box)) + "\t" + escape(window_text(GetDlgItem(box, 0xFFFF)));
}

std::string answer_box(const std::string& button_id, int ms) {
    if (!last_box || !IsWindow(last_box)) return "error no message box";
    const HWND button = GetDlgItem(last_box, std::atoi(button_id.c_str()));
    if (!button) return "error no button " + button_id;
    PostMessageA(button, BM_CLICK, 0, 0);
    const HWND box = last_box;
    last_box = nullptr;
    return wait_for(ms, [&] { return !IsWindow(box) || !IsWindowVisible(box); }) ? "ok" : "error box stays";
}

std::string run(const std::vector<std::string>& f) {
    const std::string& c = f[0];
    const auto arg = [&](size_t i) { return i < f.size() ? f[i] : std::string(); };
    const auto ms = [&](size_t i) { return i < f.size() ? std::atoi(f[i].c_str()) : 10000; };
    if (c == "lonebox") return lone_box(ms(1));
    if (c == "answer") return answer_box(arg(1), ms(2));
    if (c == "reg") return registry_values(f);
    if (c == "boxrect") {
        RECT r;
        if (!last_box || !GetWindowRect(last_box, &r)) return "error no message box";
        return "ok " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
               std::to_string(r.bottom);
    }
    if (c == "icon") {
        HICON icon = ExtractIconA(GetModuleHandleA(nullptr), arg(1).c_str(), static_cast<UINT>(std::atoi(arg(2).c_str())));
        const bool loaded = icon && icon != reinterpret_cast<HICON>(1);
        if (loaded) DestroyIcon(icon);
        return loaded ? "ok 1" : "ok 0";
    }
    if (c == "find") {
        HWND found = nullptr;
        if (!wait_for(ms(2), [&] {
                const auto w = top_level("#32770", arg(1));
                found = w.empty() ? nullptr : w.front();
                return found != nullptr;
            }))
            return "error no dialog " + escape(arg(1));
        dialog = found;
        return "ok";
    }
    if (!dialog) return "error no dialog yet";
    if (c == "get") {
        const HWND w = control(arg(1));
        return w ? "ok " + escape(window_text(w)) : "error no control " + arg(1);
    }
    if (c == "set") {
        const HWND w = control(arg(1));
        if (!w) return "error no control " + arg(1);
        const std::string text = arg(2);
        SendMessageA(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        // The caret where typing would have left it.
        SendMessageA(w, EM_SETSEL, text.size(), static_cast<LPARAM>(text.size()));
        return "ok";
    }
    if (c == "type") {
        const HWND w = control(arg(1));
        if (!w) return "error no control " + arg(1);
        for (const char ch : arg(2)) SendMessageA(w, WM_CHAR, static_cast<unsigned char>(ch), 1);
        return "ok";
    }
    if (c == "click") {
        const HWND w = control(arg(1));
        if (!w) return "error no control " + arg(1);
        PostMessageA(w, BM_CLICK, 0, 0);
        return "ok";
    }
    if (c == "state") {
        const HWND w = control(arg(1));
        if (!w) return "error no control " + arg(1);
        const bool checked = SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
        return std::string("ok ") + (checked ? "1" : "0") + " " + (IsWindowEnabled(w) ? "1" : "0") +
               " " + (IsWindowVisible(w) ? "1" : "0");
    }
    if (c == "focus") {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return "error no thread info";
        return "ok " + std::to_string(info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0);
    }
    if (c == "percent") return "ok " + std::to_string(GetWindowLongA(control("308"), 0));
    if (c == "cancel-at") {
        const LONG at = std::atol(arg(1).c_str());
        LONG seen = 0;
        const HWND bar = control("308");
        const DWORD start = GetTickCount();
        while ((seen = GetWindowLongA(bar, 0)) < at) {
            if (static_cast<int>(GetTickCount() - start) >= ms(2)) return "error percent stayed " + std::to_string(seen);
            Sleep(1);
        }
        PostMessageA(control("2"), BM_CLICK, 0, 0);
        return "ok " + std::to_string(seen);
    }
    if (c == "box") {
        HWND box = nullptr;
        if (!wait_for(ms(1), [&] {
                const auto w = top_level("#32770", "", dialog, true);
                box = w.empty() ? nullptr : w.front();
                return box != nullptr;
            }))
            return "error no message box";
        last_box = box;
        const HWND text = GetDlgItem(box, 0xFFFF);
        return "ok " + escape(window_text(box)) + "\t" + escape(text ? window_text(text) : "");
    }
    if (c == "close") {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return "ok";
    }
    if (c == "gone") {
        return wait_for(ms(1), [&] { return !IsWindow(dialog); }) ? "ok" : "error dialog stays";
    }
    if (c == "windows") {
        std::string titles;
        for (const HWND w : top_level(arg(1), "")) titles += (titles.empty() ? "" : "\t") + escape(window_text(w));
        return "ok " + titles;
    }
    if (c == "close-window") {
        const auto w = top_level("", arg(1));
        if (w.empty()) return "error no window " + escape(arg(1));
        PostMessageA(w.front(), WM_CLOSE, 0, 0);
        return "ok";
    }
    if (c == "active") {
        const HWND w = GetForegroundWindow();
        return "ok " + escape(w ? window_text(w) : "");
    }
    if (c == "rect") {
        RECT r;
        GetWindowRect(dialog, &r);
        return "ok " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
               " " + std::to_string(r.bottom);
    }
    if (c == "move") {
        SetWindowPos(dialog, nullptr, std::atoi(arg(1).c_str()), std::atoi(arg(2).c_str()), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return "ok";
    }
    return "error unknown command " + escape(c);
}

}  // namespace

int main() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    CoInitialize(nullptr);
    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.empty()) continue;
        const std::vector<std::string> f = split(text);
        if (f[0] == "quit") break;
        if (f[0] == "link") reply(read_link(f.size() > 1 ? f[1] : ""));
        else if (f[0].rfind("profile-", 0) == 0) reply(profile(f));
        else reply(run(f));
    }
    CoUninitialize();
    return 0;
}
