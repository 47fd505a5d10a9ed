// Output file times and attributes: the member's attribute byte, its DOS date and
// time as a file time, and the finishing of an extracted file.
#include "hostfs/file_finish.h"

#include <cstdio>

#include "engine/globals.h"
#include "engine/shown_text.h"

namespace {

constexpr int DOS_ATTRIBUTE_BITS = 0xFF;
constexpr int ATTRIBUTES_APPLIED = 0x7F;  // 0x80 (normal) is never applied

}  // namespace

int map_host_attributes() {
    if (G.cur)
        G.cur->host_attributes =
            static_cast<int32_t>(G.central.external_attributes & DOS_ATTRIBUTE_BITS) |
            static_cast<int32_t>(FILE_ATTRIBUTE_ARCHIVE);
    return 0;
}

bool dos_time_to_file_time(FILETIME* out) {
    FILETIME local;
    if (!DosDateTimeToFileTime(G.local.dos_date, G.local.dos_time, &local)) {
        std::printf("DosDateTime failed: %d\n", static_cast<int>(GetLastError()));
        return false;
    }
    if (!LocalFileTimeToFileTime(&local, out)) {
        std::printf("LocalFileTime failed: %d\n", static_cast<int>(GetLastError()));
        *out = local;
    }
    return true;
}

namespace {

// Closes the output stream. Standard output (extraction to the screen) is only
// flushed: later members and messages still go there.
void close_output() {
    FILE* f = G.out_file;
    G.out_file = nullptr;
    if (!f) return;
    const bool failed = f == stdout ? std::fflush(f) != 0 : std::fclose(f) != 0;
    // The last buffered bytes are written only now; a failure here loses data.
    if (failed && f != stdout)
        std::fprintf(stderr, "\nerror:  cannot finish writing %s\n", shown_text(G.member_name).c_str());
}

}  // namespace

void finish_output_file() {
    if (G.to_stdout) {
        close_output();
        return;
    }
    FILETIME write_time;
    const bool have_time = dos_time_to_file_time(&write_time);
    close_output();

    const char* path = G.member_name.c_str();
    HANDLE file = CreateFileU(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "\nCreateFile error %d when trying set file time\n",
                     static_cast<int>(GetLastError()));
    } else {
        if (have_time && !SetFileTime(file, nullptr, nullptr, &write_time))
            std::printf("\nSetFileTime failed: %d\n", static_cast<int>(GetLastError()));
        CloseHandle(file);
    }

    const DWORD attributes = G.cur ? static_cast<DWORD>(G.cur->host_attributes & ATTRIBUTES_APPLIED)
                                   : FILE_ATTRIBUTE_ARCHIVE;
    if (!SetFileAttributesU(path, attributes))
        std::fprintf(stderr, "\nwarning (%d): could not set file attributes\n",
                     static_cast<int>(GetLastError()));
    // A member made on Unix gets its permission bits (on Linux).
    if (G.cur && G.cur->unix_mode) host_set_unix_mode(path, G.cur->unix_mode);
}
