// EngineGlobals: the archive engine's one process-wide state record, shared by
// the engine, the decompression methods, the host file-system layer and the
// listings. The engine is single-threaded and not re-entrant.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/records.h"
#include "platform/hostfile.h"

constexpr int INPUT_BUF_SIZE = 2048;       // archive input block
constexpr int INPUT_SPARE = 4;             // spare bytes behind the block (end-record search)
constexpr int WINDOW_SIZE = 32768;         // output window of the methods
constexpr int CONVERT_BUF_SIZE = 65537;    // line-end conversion target
constexpr int UNSHRINK_BUF_SIZE = 0x20000; // conversion target for unshrink output
constexpr int MEMBER_NAME_MAX = 260;       // stored names are cut to this length
constexpr int ANSWER_MAX = 8;              // characters kept of an answer line

// The local line end, which text conversion writes: CR LF on Windows, LF elsewhere.
#ifdef _WIN32
constexpr bool LOCAL_CRLF_LINE_ENDS = true;
#else
constexpr bool LOCAL_CRLF_LINE_ENDS = false;
#endif

// A stage that sees every block the input reads in, before anything is taken
// from it: the decryption stage (engine/member_decryption.h), which decrypts
// a member's data in place. Called with `stage`, the block, its archive offset
// and its size. The input knows the stage by this seam alone.
struct InputStage {
    void (*arrived)(void* stage, uint8_t* block, int64_t offset, long size) = nullptr;
    void* stage = nullptr;
};

// The read-ahead buffer under the input blocks (engine/read_ahead.h).
struct ReadAhead {
    std::vector<uint8_t> buf;       // READ_AHEAD_SIZE bytes while an archive is open
    int64_t start = 0;              // archive offset of buf[0]
    int32_t held = 0;               // bytes held from start on
    int32_t run = 0;                // size of the last read of the archive
    int64_t pos = 0;                // where the next read begins
    int64_t handle_pos = 0;         // the handle's own position; -1 unknown
};

// The information mode's options (listing/info.h), set by its option parser.
struct InfoOptions {
    int format = -1;           // the listing format: INFO_* of listing/info.h
    bool header_line = false;  // the "Archive:" line
    bool totals = false;       // the totals line
    bool comment = false;      // the archive comment
};

struct EngineGlobals {
    // ---- Options: reset at every engine_entry, except the three marked "kept".
    int text_convert = 0;
    int to_stdout = 0;
    int dest_dir_given = 0;
    int freshen = 0;
    int junk_paths = 0;
    int never_overwrite = 0;
    int replace_all = 0;
    int no_prompts = 0;
    int quiet_level = 0;
    int spaces_to_underscore = 0;   // kept
    int volume_label_level = 0;     // kept
    int test_only = 0;
    int update_only = 0;
    int keep_case = 0;
    int list_level = 0;
    int keep_versions = 0;          // kept
    int comment_level = 0;
    int outside_links = 0;          // -K: links whose targets leave the extraction folder are made too
    InfoOptions info;               // the information mode's own, set by its parser

    // ---- Run state.
    bool info_mode = false;
    bool writes_files = false;
    bool create_dirs = false;
    bool match_all = false;
    char** include_patterns = nullptr;
    int include_count = 0;
    char** exclude_patterns = nullptr;
    int exclude_count = 0;
    char* archive_arg = nullptr;
    char* archive_name = nullptr;
    bool no_directory_seen = false;
    const char* extract_dir = nullptr;  // the -d folder, made once an archive has opened
    int unmatched_patterns = 0;     // include patterns that matched no member (engine_unmatched_patterns)
    bool names_keep_case = false;   // -U, or the archive's names hold lower-case letters
    int64_t offset_shift = 0;
    int archive_handle = -1;
    int64_t archive_size = 0;
    int64_t archive_mtime = 0;      // seconds since 1970, as the archive was found
    std::string member_name;        // stored name, then the host path
    FILE* out_file = nullptr;
    std::string temp_name;          // the file being written, renamed to member_name when complete
    HostStat stat_buf;
    std::array<char, ANSWER_MAX + 2> answer_buf{};
    int disk_full_state = 0;        // 0 no failed write; 1 go on; 2 stop

    // ---- Archive directory (records of the current member and the end record).
    std::array<uint8_t, SIGNATURE_SIZE> signature_buf{};
    EndRecord end;
    CentralHeader central;
    LocalHeader local;
    MemberInfo* cur = nullptr;      // the member the readers and write_out consult
    std::vector<uint8_t> extra_field;
    int64_t end_record_offset = 0;
    uint64_t expected_end_offset = 0;  // directory offset + size, as the end record states them
    int zip64_warning = 0;          // the end record search found a locator without record
    int64_t packed_size_used = 0;   // set by explode on a size mismatch
    // An archive without end record is read from its local entries
    // (zip_reader.h): the entries take the place of the central ones.
    bool recovering = false;
    uint64_t recovery_next = 0;     // offset of the next local entry

    // ---- Input.
    std::vector<uint8_t> input_buf; // INPUT_BUF_SIZE + INPUT_SPARE bytes during a run
    int64_t input_buf_offset = 0;   // archive offset of input_buf[0]
    uint8_t* input_pos = nullptr;
    int32_t input_left = 0;         // may become -1 inside next_byte
    int32_t input_held = 0;         // bytes held in input_buf from the last read
    int64_t packed_left = 0;        // compressed bytes not yet taken; negative past the end
    ReadAhead ahead;                // what the blocks are read from
    InputStage input_stage;         // decrypts the blocks read in, while a member is decrypted
    uint64_t unpacked_size = 0;

    // ---- Output.
    std::array<uint8_t, WINDOW_SIZE> window{};
    uint32_t window_fill = 0;
    std::vector<uint8_t> convert_buf;     // CONVERT_BUF_SIZE bytes during a run
    std::vector<uint8_t> unshrink_buffer; // empty until unshrink needs it
    uint32_t running_crc = 0;
    bool compute_crc = true;              // false for a member that has no CRC (AES, AE-2)
    bool first_block = false;
    bool cr_pending = false;
    bool crlf_line_ends = LOCAL_CRLF_LINE_ENDS;  // the line end text conversion (-a) writes
    // The member's output is bounded by its declared size: write_out passes on
    // at most output_limit bytes (no limit until extraction sets it) and marks
    // the member when its method produced more.
    uint64_t output_total = 0;
    uint64_t output_limit = UINT64_MAX;
    bool output_overflow = false;

    // ---- Bit reader of unshrink and unreduce.
    uint32_t held_bits = 0;
    int32_t held_bit_count = 0;
    bool input_exhausted = false;

    // ---- Host hooks (kept for the whole process).
    EngineHooks hooks;
};

extern EngineGlobals G;
