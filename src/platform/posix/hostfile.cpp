// Host file operations over POSIX, through the drive mapping.
#include "platform/hostfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/posix/posix_util.h"

int host_stat(const char* path, HostStat* st) {
    struct stat s;
    if (::stat(host_native_path(path).c_str(), &s) != 0) return -1;
    st->is_dir = S_ISDIR(s.st_mode);
    st->owner_exec = (s.st_mode & S_IXUSR) != 0;
    st->writable = (s.st_mode & S_IWUSR) != 0;
    st->size = static_cast<uint64_t>(s.st_size);
    st->mtime = static_cast<int64_t>(s.st_mtime);
    return 0;
}

int host_open_read(const char* path) {
    return ::open(host_native_path(path).c_str(), O_RDONLY);
}

long host_read(int fd, void* buf, unsigned long count) {
    return static_cast<long>(::read(fd, buf, count));
}

long host_write(int fd, const void* buf, unsigned long count) {
    unsigned long done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, static_cast<const char*>(buf) + done, count - done);
        if (n <= 0) return done > 0 ? static_cast<long>(done) : static_cast<long>(n);
        done += static_cast<unsigned long>(n);
    }
    return static_cast<long>(done);
}

int64_t host_seek(int fd, int64_t offset) {
    return static_cast<int64_t>(::lseek(fd, static_cast<off_t>(offset), SEEK_SET));
}

int host_close(int fd) { return ::close(fd); }

FILE* host_fopen(const char* path, const char* mode) {
    FILE* f = std::fopen(host_native_path(path).c_str(), mode);
    if (f && std::strpbrk(mode, "wa+")) forget_folder_listings();
    return f;
}

int host_fileno(FILE* f) { return ::fileno(f); }

int host_mkdir(const char* path) {
    forget_folder_listings();
    return ::mkdir(host_native_path(path).c_str(), 0777);
}

int host_rmdir(const char* path) {
    forget_folder_listings();
    return ::rmdir(host_native_path(path).c_str());
}

int host_chdir(const char* path) { return ::chdir(host_native_path(path).c_str()); }

int host_access(const char* path, int mode) {
    return ::access(host_native_path(path).c_str(), mode == 0 ? F_OK : (mode & 2 ? W_OK : R_OK));
}

int host_remove(const char* path) {
    forget_folder_listings();
    return std::remove(host_native_path(path).c_str());
}

int host_make_writable(const char* path) {
    const std::string p = host_native_path(path);
    struct stat s;
    if (::stat(p.c_str(), &s) != 0) return -1;
    return ::chmod(p.c_str(), (s.st_mode & 07777) | S_IRUSR | S_IWUSR);
}

void host_set_binary(FILE*) {}

FILE* host_create_new(const char* path) {
    const std::string native = host_native_path(path);
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    folder_entry_added(native);
    FILE* f = ::fdopen(fd, "wb");
    if (!f) ::close(fd);
    return f;
}

int host_replace(const char* from, const char* to) {
    const std::string source = host_native_path(from);
    const std::string target = host_native_path(to);
    if (std::rename(source.c_str(), target.c_str()) != 0) return -1;
    folder_entry_removed(source);
    folder_entry_added(target);
    return 0;
}

int host_set_unix_mode(const char* path, unsigned mode) {
    return ::chmod(host_native_path(path).c_str(), static_cast<mode_t>(mode & 0777));
}

void host_use_utf8_paths(bool) {}

std::vector<std::string> host_program_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}
