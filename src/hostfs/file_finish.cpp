// Output file times and attributes: the member's attribute byte, its DOS date and
// time as a file time, and the finishing of an extracted file.
#include "hostfs/file_finish.h"

#include <cstdio>

#include "engine/globals.h"
#include "engine/shown_text.h"

namespace {

constexpr int ATTRIBUTES_APPLIED = 0x7F;  // 0x80 (normal) is never applied

}  // namespace

int map_host_attributes() {
    if (G.cur)
        G.cur->host_attributes =
            static_cast<int32_t>(dos_attributes(G.central.external_attributes)) |
            static_cast<int32_t>(FILE_ATTRIBUTE_ARCHIVE);
    return 0;
}

namespace {

// The member's time as a UTC file time, without reports: they go out later.
bool convert_member_time(FILETIME* out, PreparedOutput* p) {
    // An exact time of the member's extra field, in UTC, before the DOS local time.
    if (const auto exact = exact_modification_time(G.extra_field)) {
        out->dwLowDateTime = static_cast<DWORD>(*exact & 0xFFFFFFFFu);
        out->dwHighDateTime = static_cast<DWORD>(*exact >> 32);
        return true;
    }
    FILETIME local;
    if (!DosDateTimeToFileTime(G.local.dos_date, G.local.dos_time, &local)) {
        p->dos_failed = true;
        p->error_code = GetLastError();
        return false;
    }
    if (!LocalFileTimeToFileTime(&local, out)) {
        p->local_failed = true;
        p->error_code = GetLastError();
        *out = local;
    }
    return true;
}

void report_time_conversion(const PreparedOutput& p) {
    if (p.dos_failed) std::printf("DosDateTime failed: %d\n", static_cast<int>(p.error_code));
    if (p.local_failed) std::printf("LocalFileTime failed: %d\n", static_cast<int>(p.error_code));
}

DWORD applied_attributes() {
    return G.cur ? static_cast<DWORD>(G.cur->host_attributes & ATTRIBUTES_APPLIED) : FILE_ATTRIBUTE_ARCHIVE;
}

}  // namespace

bool dos_time_to_file_time(FILETIME* out) {
    PreparedOutput p;
    const bool converted = convert_member_time(out, &p);
    report_time_conversion(p);
    return converted;
}

PreparedOutput prepare_output_file(FILE* f) {
    PreparedOutput p;
    FILETIME write_time{};
    p.have_time = convert_member_time(&write_time, &p);
    HostOutputInfo info;
    info.set_time = p.have_time;
    info.write_time = (static_cast<uint64_t>(write_time.dwHighDateTime) << 32) | write_time.dwLowDateTime;
    info.attributes = applied_attributes();
    info.unix_mode = G.cur ? G.cur->unix_mode : 0;
    p.done = host_set_output_info(f, info);
    return p;
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

void set_attributes_by_name(const char* path) {
    if (!SetFileAttributesU(path, applied_attributes()))
        std::fprintf(stderr, "\nwarning (%d): could not set file attributes\n",
                     static_cast<int>(GetLastError()));
}

}  // namespace

void finish_output_file(const PreparedOutput* prepared) {
    if (G.to_stdout) {
        close_output();
        return;
    }
    const char* path = G.member_name.c_str();
    if (prepared) {
        report_time_conversion(*prepared);
        close_output();
        if (prepared->have_time && prepared->done.time_error)
            std::printf("\nSetFileTime failed: %d\n", static_cast<int>(prepared->done.time_error));
        if (prepared->done.attributes_left) set_attributes_by_name(path);
        if (prepared->done.unix_mode_left) host_set_unix_mode(path, G.cur->unix_mode);
        return;
    }
    FILETIME write_time;
    const bool have_time = dos_time_to_file_time(&write_time);
    close_output();

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

    set_attributes_by_name(path);
    // A member made on Unix gets its permission bits (on Linux).
    if (G.cur && G.cur->unix_mode) host_set_unix_mode(path, G.cur->unix_mode);
}
