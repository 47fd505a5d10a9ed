// Hostile archives: each attack is one row of a table (the archive, the
// command, the result, what standard error must say), with the same checks for
// all: the run ends quickly, nothing is written outside the extraction folder,
// no extracted file is larger than its bound, and no control byte of a name
// reaches the terminal. The same cases run natively and under Wine.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/bit_writer.h"
#include "support/expect_text.h"
#include "support/implode_encoder.h"
#include "support/sample_data.h"
#include "support/run.h"
#include "support/zip_writer.h"

namespace {

using tz::Archive;
using tz::Bytes;
using tz::TempDir;

// A member declaring `declared` bytes whose fixed-code deflate stream repeats
// its first byte into `produced` bytes.
tz::Member& add_inflating_bomb(Archive& a, const std::string& name, uint64_t produced, uint32_t declared) {
    std::vector<tz::Token> tokens = {tz::literal('z')};
    for (uint64_t done = 1; done < produced; done += 258) tokens.push_back(tz::match(258, 1));
    tz::BitWriter w;
    tz::put_block_header(w, true, 1);
    tz::put_tokens(w, tz::fixed_litlen_code(), tz::fixed_dist_code(), tokens);
    tz::fixed_litlen_code().put(w, 256);
    tz::Member& m = a.add(name, "", 8);
    m.packed = w.bytes();
    m.unpacked_size = declared;
    m.crc = 0;
    return m;
}

// 200 central entries that all name the first member's local header (the
// messages name the member by its local name, the one they share).
Archive shared_local_header() {
    Archive a;
    a.add("kernel.bin", std::string(100000, 'k'), 8);
    for (int i = 1; i < 200; ++i) a.add("copy" + std::to_string(i) + ".bin", std::string(100000, 'k'), 8).local_offset = 0;
    return a;
}

// 200 stored members, each declaring as its data everything up to the end of
// the last one: the first member's data holds all the later headers.
Archive overlapping_kernel() {
    Archive plain;
    for (int i = 0; i < 200; ++i) plain.add("m" + std::to_string(i), std::string(300, 'q'));
    const tz::Built built = plain.build();
    const size_t data_end = built.data_offsets.back() + 300;
    Archive a = plain;
    for (int i = 0; i < 200; ++i) {
        const uint32_t span = static_cast<uint32_t>(data_end - built.data_offsets[static_cast<size_t>(i)]);
        a.members[static_cast<size_t>(i)].packed_size = span;
        a.members[static_cast<size_t>(i)].unpacked_size = span;
    }
    return a;
}

// Members whose directory lists them out of the order of their data (entry i
// names the local header of member order[i]), then, when `again` is set, one
// more entry naming member `again`'s local header a second time.
Archive reordered_directory(const std::vector<size_t>& order, std::optional<size_t> again) {
    Archive plain;
    for (size_t i = 0; i < order.size(); ++i) plain.add("m" + std::to_string(i), std::string(300, 'r'));
    const tz::Built built = plain.build();
    Archive a = plain;
    for (size_t i = 0; i < order.size(); ++i) a.members[i].local_offset = static_cast<uint32_t>(built.local_offsets[order[i]]);
    if (again) a.add("again", std::string(300, 'r')).local_offset = static_cast<uint32_t>(built.local_offsets[*again]);
    return a;
}

// Three members whose directory lists them as m2, m0, m1, where m0 declares as
// its data everything up to the end of m1's: m1, out of order, begins inside
// the span of m0, which came out of order too.
Archive out_of_order_inside() {
    Archive plain;
    for (int i = 0; i < 3; ++i) plain.add("m" + std::to_string(i), std::string(300, 'o'));
    const tz::Built built = plain.build();
    Archive a = plain;
    const uint32_t span = static_cast<uint32_t>(built.local_offsets[2] - built.data_offsets[0]);
    a.members[0].packed_size = span;
    a.members[0].unpacked_size = span;
    for (size_t i = 0; i < 3; ++i) a.members[i].local_offset = static_cast<uint32_t>(built.local_offsets[(i + 2) % 3]);
    return a;
}

// Member B's deflate stream starts with a match into the window, where the
// previous member's "TOPSECRET!" was.
Archive cross_member_window() {
    Archive a;
    a.add("secret.txt", "TOPSECRET!");
    tz::BitWriter w;
    tz::put_block_header(w, true, 1);
    tz::put_tokens(w, tz::fixed_litlen_code(), tz::fixed_dist_code(), {tz::match(10, 10)});
    tz::fixed_litlen_code().put(w, 256);
    tz::Member& m = a.add("leak.txt", "", 8);
    m.packed = w.bytes();
    m.unpacked_size = 10;
    m.crc = tz::crc32_of(tz::bytes_of("TOPSECRET!"));
    return a;
}

// No byte below 32 other than a line feed.
bool only_printable(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 32 && c != '\n') return false;
    return true;
}

struct Hostile {
    const char* what;
    std::function<Archive()> archive;
    std::vector<std::string> args;   // before the archive name; "-d out" is added for extraction
    bool extract;
    int code;
    std::vector<std::string> err_has;  // texts standard error must hold
    size_t max_files;                  // files the extraction folder may hold at most
    off_t max_file_size;               // and the largest one
};

TEST(Hostile, AttacksEndQuicklyAndWriteNothingOutsideTheFolder) {
    // One byte of method-2 data declaring 4 GiB - 1 of zeros (whose CRC is 0).
    const auto declared_4gib_reduced = [] {
        Archive a;
        tz::Member& m = a.add("r", "", 2);
        m.packed = Bytes{0};
        m.unpacked_size = 0xFFFFFFFFu;
        m.crc = 0;
        return a;
    };
    const Hostile cases[] = {
        {"a 101-byte method-2 member declaring 4 GiB, tested",
         declared_4gib_reduced,
         {"-t"}, false, 2, {"\n  error:  invalid compressed data for unreduce format\n"}, 0, 0},
        {"the same, extracted",
         declared_4gib_reduced,
         {"-qq"}, true, 2, {"  error:  invalid compressed (reduced) data for out/r\n"}, 1, 0},
        {"a member declaring 10 bytes that inflates to 1 GiB",
         [] {
             Archive a;
             add_inflating_bomb(a, "big", 1ull << 30, 10);
             return a;
         },
         {"-qq"}, true, 2, {"  error:  invalid compressed (deflated) data for out/big\n"}, 1, 10},
        {"an imploded member whose data runs past the archive's end, declaring 4 GiB",
         [] {
             Archive a;
             const Bytes text = tz::sample_data(tz::SampleKind::text, 3000, 5);
             const tz::Imploded imp = tz::implode(text, {});
             tz::Member& m = a.add("past", text, 6);
             m.packed = imp.packed;
             m.flags = imp.flags;
             m.packed_size = 0xFFFFFF00u;
             m.unpacked_size = 0xFFFFFFFFu;
             return a;
         },
         {"-qq"}, true, 2, {"  error:  invalid compressed (imploded) data for out/past\n"}, 1, 1 << 20},
        {"a stored member with more data than declared",
         [] {
             Archive a;
             a.add("more", std::string(5000, 'm')).unpacked_size = 100;
             return a;
         },
         {"-qq"}, true, 2, {"  error:  invalid compressed (stored) data for out/more\n"}, 1, 100},
        {"200 central entries sharing one local header, tested",
         shared_local_header, {"-tqq"}, false, 2,
         {"file #1:  kernel.bin overlaps an earlier member; not processed\n",
          "file #199:  kernel.bin overlaps an earlier member; not processed\n"}, 0, 0},
        {"the same, extracted", shared_local_header, {"-qq"}, true, 2,
         {"file #199:  kernel.bin overlaps an earlier member; not processed\n"}, 1, 100000},
        {"200 members overlapping one kernel", overlapping_kernel, {"-qq"}, true, 2,
         {"file #1:  m1 overlaps an earlier member; not processed\n"}, 1, 200 * 400},
        {"a directory in the reverse order of the data", [] { return reordered_directory({4, 3, 2, 1, 0}, {}); },
         {"-tqq"}, false, 0, {}, 0, 0},
        {"the same, and an entry naming a member's header again", [] { return reordered_directory({4, 3, 2, 1, 0}, 2); },
         {"-tqq"}, false, 2, {"file #5:  m2 overlaps an earlier member; not processed\n"}, 0, 0},
        {"a directory in interleaved order, and an entry naming a member's header again",
         [] { return reordered_directory({1, 3, 0, 2}, 0); },
         {"-tqq"}, false, 2, {"file #4:  m0 overlaps an earlier member; not processed\n"}, 0, 0},
        {"out of order, a member beginning inside an earlier one's data", out_of_order_inside,
         {"-tqq"}, false, 2, {"file #2:  m1 overlaps an earlier member; not processed\n"}, 0, 0},
        {"a distance before the member's start reaches the previous member", cross_member_window,
         {"-qq"}, true, 2, {"  error:  invalid compressed (deflated) data for out/leak.txt\n"}, 2, 10},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.archive().write(dir / "a.zip");
        std::vector<std::string> args = c.args;
        args.push_back("a.zip");
        if (c.extract) {
            args.push_back("-d");
            args.push_back("out");
        }
        const auto start = std::chrono::steady_clock::now();
        const auto r = tz::run_unzip(args, dir.path());
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(c.code, r.code) << r.err.substr(0, 2000) << "\nstandard output:\n" << r.out.substr(0, 2000);
        for (const std::string& text : c.err_has) EXPECT_NE(std::string::npos, r.err.find(text)) << text << "\n" << r.err.substr(0, 2000);
        EXPECT_LT(seconds, 20.0);

        size_t extracted = 0;
        for (const std::string& name : tz::files_below(dir.path())) {
            if (name == "a.zip") continue;
            EXPECT_EQ(0u, name.rfind("out/", 0)) << name << " lies outside the extraction folder";
            struct stat st = {};
            ::stat((dir / name).c_str(), &st);
            EXPECT_LE(st.st_size, c.max_file_size) << name;
            ++extracted;
        }
        EXPECT_LE(extracted, c.max_files);
    }
}

TEST(Hostile, TheWindowHoldsNothingOfAnEarlierMember) {
    TempDir dir;
    cross_member_window().write(dir / "a.zip");
    const auto p = tz::run_unzip({"-p", "a.zip", "leak.txt"}, dir.path());
    EXPECT_EQ(2, p.code);
    EXPECT_EQ(std::string::npos, p.out.find("TOPSECRET")) << p.out;
}

TEST(Hostile, NamesCannotForgeOutputLines) {
    // Each name would, printed raw, end the line and forge another one, ring the
    // bell, or clear the screen.
    TempDir dir;
    Archive a;
    a.add("evil\r\n    testing: forged.txt               OK\nx", "1").made_by_host = 11;
    a.add("bell\a\x1b[2J.txt", "2").made_by_host = 11;
    a.add("../up\x1b[31m.txt", "3");
    a.write(dir / "a.zip");

    const auto t = tz::run_unzip({"-t", "a.zip"}, dir.path());
    EXPECT_EQ(0, t.code) << t.err;
    EXPECT_EQ("Archive:  a.zip\n"
              "    testing: " + tz::padded("evil^M^J    testing: forged.txt               OK^Jx") + "   OK\n"
              "    testing: " + tz::padded("bell^G^[[2J.txt") + "   OK\n"
              "    testing: " + tz::padded("../up^[[31m.txt") + "   OK\n"
              "No errors detected in compressed data of a.zip.\n",
              t.out);
    const auto l = tz::run_unzip({"-l", "a.zip"}, dir.path());
    EXPECT_NE(std::string::npos, l.out.find("evil^M^J    testing: forged.txt"));

    // Extraction: the unsafe-path warning and every line stay single lines.
    const auto x = tz::run_unzip({"-o", "a.zip", "-d", "out"}, dir.path());
    EXPECT_TRUE(only_printable(x.out)) << x.out;
    EXPECT_TRUE(only_printable(x.err)) << x.err;
    EXPECT_NE(std::string::npos, x.err.find("warning:  ../up^[[31m.txt:  removed unsafe path components\n")) << x.err;

    // The same names where Windows' rules rename them: the renaming warning too.
    Archive w;
    w.add("d\air/CON", "4");
    w.add("x?y\x1b[2J.txt", "5");
    w.write(dir / "w.zip");
    std::vector<std::string> cmd = tz::unzip_command();
    cmd.insert(cmd.end(), {"-o", "w.zip", "-d", "win"});
    const auto r = tz::run_process(cmd, dir.path(), "", {"TEV_TEST_WINDOWS_NAMES=1"});
    EXPECT_TRUE(only_printable(r.err)) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("warning:  d^Gir/CON:  not a name Windows allows; extracted as win/dir/_CON\n"))
        << r.err;
}

// C1 controls (CSI, OSC), DEL and the bidirectional controls in names and
// comments, as UTF-8 (with and without the UTF-8 flag) and as the raw CSI and
// OSC bytes of a code-page name: no mode lets one reach the terminal.
TEST(Hostile, TerminalControlsOfEveryKindStayOffTheTerminal) {
    TempDir dir;
    Archive a;
    a.comment = "archive \xe2\x81\xa6" "isolated\xe2\x81\xa9 \xc2\x9d" "0;title\a";
    tz::Member& csi = a.add("csi\xc2\x9b" "31m.txt", "1");
    csi.made_by_host = 3;
    csi.flags = 0x0800;
    csi.comment = "member \xc2\x9b" "2J\x7f";
    a.add("txt.\xe2\x80\xae" "exe", "2").made_by_host = 3;
    a.add("cp\x9b" "2J\x9d" "x.txt", "3").made_by_host = 3;
    a.add("del\x7f.txt", "4").made_by_host = 3;
    a.write(dir / "a.zip");
    const std::vector<std::pair<std::vector<std::string>, const char*>> modes = {
        {{"-l", "a.zip"}, "unzip"},  {{"-v", "a.zip"}, "unzip"},      {{"-t", "a.zip"}, "unzip"},
        {{"-z", "a.zip"}, "unzip"},  {{"-o", "a.zip", "-d", "out"}, "unzip"},
        {{"a.zip"}, "zipinfo"},     {{"-v", "a.zip"}, "zipinfo"}};
    for (const auto& [args, program] : modes) {
        SCOPED_TRACE(std::string(program) + " " + args[0]);
        const auto r = tz::run_unzip(args, dir.path(), "", program);
        for (const std::string& text : {r.out, r.err}) {
            for (const char* control : {"\x7f", "\x9b", "\x9d", "\xe2\x80\xae", "\xe2\x81\xa6", "\xe2\x81\xa9", "\a"})
                EXPECT_EQ(std::string::npos, text.find(control)) << text;
        }
        const std::string all = r.out + r.err;
        EXPECT_NE(std::string::npos, all.find(args[0] == "-z" ? "<U+2066>isolated<U+2069> <U+009D>0;title^G"
                                                              : "txt.<U+202E>exe"))
            << all;
    }
    const auto list = tz::run_unzip({"-l", "a.zip"}, dir.path());
    for (const char* shown : {"csi<U+009B>31m.txt\nmember <U+009B>2J<U+007F>\n", "cp<0x9B>2J<0x9D>x.txt\n", "del<U+007F>.txt\n"})
        EXPECT_NE(std::string::npos, list.out.find(shown)) << list.out;
}

TEST(Hostile, CannotCreateSaysWhyAndIsNoFullDisk) {
    TempDir dir;
    Archive a;
    a.add("taken", "a folder of this name is in the way");
    a.add("ok.txt", "extracted");
    a.write(dir / "a.zip");
    ::mkdir((dir / "out").c_str(), 0777);
    ::mkdir((dir / "out/taken").c_str(), 0777);

    const auto r = tz::run_unzip({"-o", "-qq", "a.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(2, r.code) << r.err;
    const std::string head = "\nerror:  cannot create out/taken\n        ";
    ASSERT_EQ(0u, r.err.find(head)) << r.err;
    EXPECT_GT(r.err.find('\n', head.size()), head.size()) << "the reason is given";
    EXPECT_EQ("extracted", tz::read_text(dir / "out/ok.txt"));

    // The reason is the create's own: a read-only folder (not for the
    // superuser, whom no permission stops) and, natively, no file descriptor
    // left; a status call after the failure once replaced both.
    struct Refusal {
        const char* what;
        bool applies;
        std::string prefix;  // a shell command run before the program
        std::string reason;
    };
    const Refusal refusals[] = {
        {"read-only folder", ::geteuid() != 0, "chmod a-w out/ro;", "Permission denied"},
        // Five descriptors: the standard streams, the folder scan of the
        // archive name and the archive; none left for the file.
        {"no descriptor left", !tz::under_wine(),
         "for fd in /proc/$$/fd/*; do fd=${fd##*/}; [ \"$fd\" -gt 2 ] && eval \"exec $fd>&-\"; done; ulimit -n 5;",
         "Too many open files"},
    };
    Archive ro;
    ro.add("ro/x.txt", "x");
    ro.write(dir / "ro.zip");
    for (const Refusal& c : refusals) {
        if (!c.applies) continue;
        SCOPED_TRACE(c.what);
        tz::remove_tree(dir / "out/ro");
        ::mkdir((dir / "out/ro").c_str(), 0777);
        std::vector<std::string> cmd = {"bash", "-c", c.prefix + " exec \"$@\"", "refuse"};
        for (const std::string& w : tz::unzip_command()) cmd.push_back(w);
        cmd.insert(cmd.end(), {"-o", "-qq", "ro.zip", "-d", "out"});
        const auto f = tz::run_process(cmd, dir.path());
        ::chmod((dir / "out/ro").c_str(), 0777);
        EXPECT_EQ(2, f.code) << f.err;
        EXPECT_EQ("\nerror:  cannot create out/ro/x.txt\n        " + c.reason + "\n", f.err.substr(0, f.err.find("\n1 archive")));
        EXPECT_EQ(std::vector<std::string>{}, tz::files_below(dir / "out/ro"));
    }

    Archive dot;
    dot.add(".", "a member named as the folder itself");
    dot.write(dir / "dot.zip");
    const auto d = tz::run_unzip({"-o", "-qq", "dot.zip", "-d", "out"}, dir.path());
    EXPECT_EQ(2, d.code) << d.err;
    EXPECT_NE(std::string::npos, d.err.find("error:  cannot create")) << d.err;
}

}  // namespace
