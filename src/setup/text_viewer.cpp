#include "setup/text_viewer.h"

#include <cstdio>
#include <memory>

#include "platform/crt.h"

bool read_doc_text(const char* name, std::string& text) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(crt_fopen(name, "rb"), std::fclose);
    if (!file) return false;
    text.assign(DOC_READ_SIZE, '\0');
    text.resize(std::fread(text.data(), 1, DOC_READ_SIZE, file.get()));
    return true;
}

OS_POSITION text_window_place(int n, int32_t screen_width, int32_t screen_height, int32_t step) {
    return OS_POSITION{step * n, screen_height / 4 - step * n, screen_width * 3 / 4, screen_height * 3 / 4};
}
