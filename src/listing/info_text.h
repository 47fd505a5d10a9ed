// The names and attribute texts of the information mode's member reports.
#pragma once

#include <cstdint>
#include <string>

// Host names by host number (12 and above: "unknown" / "???").
const char* host_long_name(unsigned host);
const char* host_short_name(unsigned host);

// Method names: the long one of the verbose report ("deflated", "unknown (12)")
// and the four-letter one of the one-line formats ("defN", "i8:3", "u012").
std::string method_long_name(unsigned method);
std::string method_short_name(unsigned method, unsigned flags);

// The sub-type of a deflated member by flag bits 1-2 ("normal" ... "superfast").
const char* deflate_subtype(unsigned flags);

// The 15-character attribute field of a one-line entry, with the version that
// made the member where the host's letters leave room for it.
std::string short_attribute_field(unsigned host, uint32_t external_attributes,
                                  unsigned made_by_version, const std::string& name);

// Host attribute texts of the verbose report, from the high 16 bits of the
// external attributes: VMS "(RWED,RWED,RE,R)", Amiga "----rwed-", Unix
// "-rwxr-sr-t" (a set-group-ID bit without group execute shows "l").
std::string vms_attribute_text(unsigned bits);
std::string amiga_attribute_text(unsigned bits);
std::string unix_attribute_text(unsigned bits, bool lock_letter);
