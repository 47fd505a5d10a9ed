// Members written by other archivers, as writers of test data only: 7-Zip
// (7zz) and Python's zipfile pack files that the test made, so the expected
// content is those files. Both are installed by scripts/bootstrap.sh.
#pragma once

#include <string>
#include <vector>

#include "support/zip_writer.h"

namespace tz {

// A member's compressed data and the header fields its decoder reads.
struct PackedMember {
    uint16_t method = 0;
    uint16_t flags = 0;
    uint16_t needed_version = 0;
    Bytes packed;
};

// The first member of a ZIP archive, as its central directory and local
// header give it.
PackedMember first_member(const Bytes& archive);

// `data` packed by 7zz with "-mm=SPEC" (for example "Deflate64", "BZip2:d=100k",
// "LZMA:eos=off:lc=0:lp=2:pb=0").
PackedMember packed_by_7zz(const std::string& method_option, const Bytes& data);

// `data` packed by Python's zipfile with ZIP_BZIP2 or ZIP_LZMA ("bzip2", "lzma").
PackedMember packed_by_python(const std::string& method, const Bytes& data);

// Runs 7zz (a ZIP archive of `files` in `dir`, "-mm=SPEC" and `options`
// such as "-pPASSWORD", "-mem=AES256") or Python's zipfile ("bzip2", "lzma")
// there; throws when the tool fails.
void archive_by_7zz(const std::string& dir, const std::string& archive, const std::string& method_option,
                    const std::vector<std::string>& files, const std::vector<std::string>& options = {});
void archive_by_python(const std::string& dir, const std::string& archive, const std::string& method,
                       const std::vector<std::string>& files);

}  // namespace tz
