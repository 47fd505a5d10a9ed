// Host file operations over the Windows C runtime. Drives are real here.
#include "platform/hostfile.h"

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

int host_stat(const char* path, HostStat* st) {
    struct _stat64 s;
    if (_stat64(path, &s) != 0) return -1;
    st->is_dir = (s.st_mode & _S_IFDIR) != 0;
    st->owner_exec = (s.st_mode & _S_IEXEC) != 0;
    st->writable = (s.st_mode & _S_IWRITE) != 0;
    st->size = static_cast<uint64_t>(s.st_size);
    st->mtime = static_cast<int64_t>(s.st_mtime);
    return 0;
}

int host_open_read(const char* path) { return _open(path, _O_RDONLY | _O_BINARY); }

long host_read(int fd, void* buf, unsigned long count) {
    return _read(fd, buf, static_cast<unsigned>(count));
}

long host_write(int fd, const void* buf, unsigned long count) {
    unsigned long done = 0;
    while (done < count) {
        const int n = _write(fd, static_cast<const char*>(buf) + done, static_cast<unsigned>(count - done));
        if (n <= 0) return done > 0 ? static_cast<long>(done) : n;
        done += static_cast<unsigned long>(n);
    }
    return static_cast<long>(done);
}

int64_t host_seek(int fd, int64_t offset) { return _lseeki64(fd, offset, SEEK_SET); }

int host_close(int fd) { return _close(fd); }

FILE* host_fopen(const char* path, const char* mode) { return std::fopen(path, mode); }

int host_fileno(FILE* f) { return _fileno(f); }

int host_mkdir(const char* path) { return _mkdir(path); }

int host_rmdir(const char* path) { return _rmdir(path); }

int host_chdir(const char* path) { return _chdir(path); }

int host_access(const char* path, int mode) { return _access(path, mode); }

int host_remove(const char* path) { return std::remove(path); }

int host_make_writable(const char* path) { return _chmod(path, _S_IREAD | _S_IWRITE); }

void host_set_binary(FILE* f) { _setmode(_fileno(f), _O_BINARY); }

void host_map_drive(char, const char*) {}

std::string host_native_path(const char* path) { return path ? path : ""; }
