// Small helpers shared by the engine tests: archives with plain members and the
// member names a quiet short listing shows.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "support/engine_run.h"
#include "support/run.h"
#include "support/zip_writer.h"

namespace et {

// A member made on a host whose names keep their case (no "^" mark, no folding).
inline tz::Member& add_plain(tz::Archive& a, const std::string& name, const std::string& data) {
    tz::Member& m = a.add(name, data);
    m.made_by_host = 3;
    return m;
}

// An archive of plain members holding their own names as data.
inline tz::Archive plain_archive(const std::vector<std::string>& names) {
    tz::Archive a;
    for (const std::string& n : names) add_plain(a, n, n + " data");
    return a;
}

// The names of the member lines of a short listing run with -qq (column 28 on).
inline std::vector<std::string> listed_names(const std::string& out) {
    std::vector<std::string> names;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (line.size() > 27) names.push_back(line.substr(27));
    return names;
}

inline std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// The text that several archive-damage messages end with.
inline const std::string please_check =
    "  (please check that you have transferred or created the zipfile in the\n"
    "  appropriate BINARY mode and that you have compiled unzip properly)\n";

inline const std::string no_end_record =
    "  End-of-central-directory signature not found.  Either this file is not\n"
    "  a zipfile, or it constitutes one disk of a multi-part archive.  In the\n"
    "  latter case the central directory and zipfile comment will be found on\n"
    "  the last disk(s) of this archive.\n\n";

}  // namespace et
