// Writes the seed corpora of the fuzz targets, one folder per target below the
// folder named on the command line, from the test encoders: archives of every
// method (and the hostile layouts the engine must refuse), raw streams of each
// method, encrypted members, code-length sets, patterns, member names and
// settings files.
//
//   fuzz_make_seeds OUTDIR
#include <sys/stat.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "fuzz/support.h"
#include "support/implode_encoder.h"
#include "support/other_writers.h"
#include "support/reduce_encoder.h"
#include "support/sample_data.h"
#include "support/shrink_encoder.h"
#include "support/zip_encrypt.h"
#include "support/zip_writer.h"

namespace {

using tz::Bytes;

std::string out_root;
int written = 0;

void seed(const std::string& target, const std::string& name, const Bytes& bytes) {
    const std::string dir = out_root + "/" + target;
    ::mkdir(dir.c_str(), 0777);
    tz::write_file(dir + "/" + name, bytes);
    ++written;
}

void seed(const std::string& target, const std::string& name, const std::string& text) {
    seed(target, name, tz::bytes_of(text));
}

// A string literal with its zero bytes.
template <size_t N>
std::string lit(const char (&s)[N]) {
    return std::string(s, N - 1);
}

void engine_seeds(const Bytes& text, const Bytes& binary) {
    tz::Archive a;
    a.comment = "fuzz seed";
    a.add("stored.txt", text);
    a.add("deflated.bin", binary, 8).made_by_host = 0;
    a.add("fixed.txt", text, 8).strategy = 4;
    a.add("desc.txt", text, 8).descriptor = true;
    a.add("shrunk.txt", text, 1).packed = tz::shrink(text, {});
    for (int factor = 1; factor <= 4; ++factor) {
        tz::ReduceOptions o;
        o.factor = factor;
        a.add("reduced" + std::to_string(factor), binary, static_cast<uint16_t>(factor + 1)).packed =
            tz::reduce(binary, o);
    }
    for (int variant = 0; variant < 4; ++variant) {
        tz::ImplodeOptions o;
        o.large_window = variant & 1;
        o.literal_tree = variant & 2;
        const tz::Imploded imp = tz::implode(text, o);
        tz::Member& m = a.add("imploded" + std::to_string(variant), text, 6);
        m.packed = imp.packed;
        m.flags = imp.flags;
    }
    seed("fuzz_engine", "every_method.zip", a.build().bytes);

    tz::Archive names;
    for (const char* n : {"dir/sub/file.txt", "../up.txt", "/abs.txt", "a\x1b[2Jb.txt", "dir/", "."})
        names.add(n, "x", 0);
    seed("fuzz_engine", "names.zip", names.build().bytes);

    // Zip64: sizes and offsets in the extra fields (one member with a data
    // descriptor), a Zip64 end record and its locator, data before the archive.
    tz::Archive wide;
    for (const char* name : {"wide.txt", "wide.bin", "wide_desc.txt"}) {
        tz::Member& m = wide.add(name, name[5] == 'b' ? binary : text, 8);
        m.zip64 = true;
        m.needed_version = 45;
        m.descriptor = name[5] == 'd';
    }
    wide.add("plain.txt", text);
    wide.zip64_end = true;
    wide.comment = "zip64";
    seed("fuzz_engine", "zip64.zip", wide.build().bytes);
    wide.prefix.assign(100, 'P');
    seed("fuzz_engine", "zip64_shifted.zip", wide.build().bytes);

    // Two central entries sharing one local header.
    tz::Archive shared;
    shared.add("one.bin", binary, 8);
    shared.add("two.bin", binary, 8).local_offset = 0;
    seed("fuzz_engine", "overlap.zip", shared.build().bytes);

    // Cut short, so that the members are read from their local headers: in the
    // directory, in a member's data, after data descriptors.
    tz::Archive cut;
    cut.add("text.txt", text, 8);
    cut.add("binary.bin", binary).descriptor = true;
    cut.add("more.txt", text, 8).descriptor = true;
    const tz::Built whole = cut.build();
    const auto first = [&](size_t n) { return Bytes(whole.bytes.begin(), whole.bytes.begin() + static_cast<long>(n)); };
    seed("fuzz_engine", "cut_directory.zip", first(whole.central_offset + 20));
    seed("fuzz_engine", "cut_data.zip", first(whole.data_offsets[2] + 5));
    seed("fuzz_engine", "cut_descriptor.zip", first(whole.central_offset - 2));

    // Encrypted members under fuzz_engine's password: traditional (check byte
    // from the CRC, and from the time with a data descriptor), AES of each
    // strength, AE-1 and AE-2, stored and deflated.
    tz::Archive secret;
    const std::string password = fz::FUZZ_PASSWORD;
    for (const bool descriptor : {false, true}) {
        tz::Member& m = secret.add(descriptor ? "trad_desc.txt" : "trad.txt", text, 8);
        m.flags = 1;
        m.descriptor = descriptor;
        const uint8_t check = descriptor ? static_cast<uint8_t>(m.time >> 8)
                                         : static_cast<uint8_t>(tz::crc32_of(text) >> 24);
        m.packed = tz::encrypt_traditional(tz::deflate_raw(text), password, check);
    }
    for (uint8_t strength = 1; strength <= 3; ++strength) {
        const bool deflated = strength != 2;
        const uint16_t vendor_version = strength == 1 ? 1 : 2;
        tz::Member& m = secret.add("aes" + std::to_string(strength), binary, 99);
        m.flags = 1;
        m.needed_version = 51;
        m.packed = tz::encrypt_aes(deflated ? tz::deflate_raw(binary) : binary, password, strength);
        m.local_extra = m.central_extra = tz::aes_extra_field(vendor_version, strength, deflated ? 8 : 0);
        if (vendor_version == 2) m.crc = 0;
    }
    seed("fuzz_engine", "encrypted.zip", secret.build().bytes);
}

void method_seeds(const Bytes& text, const Bytes& binary) {
    const auto size_bytes = [](size_t n, uint8_t selector) {
        return Bytes{static_cast<uint8_t>(selector | ((n >> 16) & 3) << 4), static_cast<uint8_t>(n),
                     static_cast<uint8_t>(n >> 8)};
    };
    const auto with = [](Bytes head, const Bytes& rest) {
        head.insert(head.end(), rest.begin(), rest.end());
        return head;
    };
    seed("fuzz_methods", "inflate", with(size_bytes(binary.size(), 0), tz::deflate_raw(binary)));
    seed("fuzz_methods", "inflate_text", with(size_bytes(text.size(), 0x80), tz::deflate_raw(text, 9, 1)));
    for (int variant = 0; variant < 4; ++variant) {
        tz::ImplodeOptions o;
        o.large_window = variant & 1;
        o.literal_tree = variant & 2;
        const tz::Imploded imp = tz::implode(text, o);
        const uint8_t selector = static_cast<uint8_t>(1 + (imp.flags & 6) / 2);
        seed("fuzz_methods", "explode" + std::to_string(variant), with(size_bytes(text.size(), selector), imp.packed));
    }
    seed("fuzz_methods", "unshrink", with(size_bytes(text.size(), 5), tz::shrink(text, {})));
    for (int factor = 1; factor <= 4; ++factor) {
        tz::ReduceOptions o;
        o.factor = factor;
        seed("fuzz_methods", "unreduce" + std::to_string(factor),
             with(size_bytes(binary.size(), static_cast<uint8_t>(5 + factor)), tz::reduce(binary, o)));
    }
}

// Deflate64, bzip2 and LZMA streams as 7-Zip and Python's zipfile write them,
// for the method targets and inside an archive for the engine. Without those
// writers these seeds are left out (said on standard error).
void other_writer_seeds(const Bytes& text, const Bytes& binary) {
    struct Writer {
        const char* target;
        const char* name;
        bool by_7zz;
        const char* method_option;
        uint8_t selector;  // fuzz_methods' variant
    };
    const Writer writers[] = {
        {"fuzz_deflate64", "deflate64", true, "Deflate64", 10},
        {"fuzz_bunzip2", "bzip2", false, "bzip2", 11},
        {"fuzz_bunzip2", "bzip2_100k", true, "BZip2:d=100k", 11},
        {"fuzz_lzma", "lzma_marker", false, "lzma", 13},
        {"fuzz_lzma", "lzma", true, "LZMA:eos=off", 12},
        {"fuzz_lzma", "lzma_lc0_lp2_pb0", true, "LZMA:eos=off:lc=0:lp=2:pb=0", 12},
    };
    tz::Archive a;
    try {
        for (const Writer& w : writers) {
            for (const Bytes* data : {&text, &binary}) {
                const tz::PackedMember m =
                    w.by_7zz ? tz::packed_by_7zz(w.method_option, *data) : tz::packed_by_python(w.method_option, *data);
                const std::string name = std::string(w.name) + (data == &text ? "_text" : "_binary");
                // The method targets' first three bytes: flags and declared size.
                Bytes input = {static_cast<uint8_t>((m.flags & 6) | ((data->size() >> 16) & 3) << 4),
                               static_cast<uint8_t>(data->size()), static_cast<uint8_t>(data->size() >> 8)};
                input.insert(input.end(), m.packed.begin(), m.packed.end());
                seed(w.target, name, input);
                input[0] = static_cast<uint8_t>(w.selector | (input[0] & 0x30));
                seed("fuzz_methods", name, input);
                tz::Member& member = a.add(name, *data, m.method);
                member.packed = m.packed;
                member.flags = m.flags;
                member.needed_version = static_cast<uint8_t>(m.needed_version);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz_make_seeds: no deflate64, bzip2 and LZMA seeds: %s\n", e.what());
        return;
    }
    seed("fuzz_engine", "other_writers.zip", a.build().bytes);
}

void table_seeds() {
    Bytes fixed = {0, 9};
    for (int s = 0; s < 288; ++s) fixed.push_back(s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8);
    seed("fuzz_decode_table", "fixed_litlen", fixed);
    Bytes dist = {1, 6};
    for (int s = 0; s < 30; ++s) dist.push_back(5);
    seed("fuzz_decode_table", "fixed_dist", dist);
    seed("fuzz_decode_table", "code_lengths", Bytes{2, 7, 2, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4, 0, 0, 0, 0, 5, 5, 5, 5});
    Bytes tree = {4, 7};
    for (int s = 0; s < 64; ++s) tree.push_back(static_cast<uint8_t>(2 + s % 6));
    seed("fuzz_decode_table", "tree", tree);
}

// Encrypted members as fuzz_decrypt reads them: kind and flags, AES variant,
// password, declared size, the member.
void decrypt_seeds(const Bytes& text) {
    const std::string password = "seed";
    const auto member = [&](uint8_t flags, uint8_t variant, const Bytes& packed) {
        Bytes b = {flags, variant, static_cast<uint8_t>(password.size())};
        b.insert(b.end(), password.begin(), password.end());
        b.push_back(static_cast<uint8_t>(text.size()));
        b.push_back(static_cast<uint8_t>(text.size() >> 8));
        b.insert(b.end(), packed.begin(), packed.end());
        return b;
    };
    const Bytes deflated = tz::deflate_raw(text);
    seed("fuzz_decrypt", "traditional", member(1 | 8, 0, tz::encrypt_traditional(deflated, password, 1)));
    seed("fuzz_decrypt", "aes256_ae2", member(2 | 4 | 8, 3 | 2 << 2, tz::encrypt_aes(deflated, password, 3)));
    seed("fuzz_decrypt", "aes128_ae1_stored", member(2 | 4, 1 | 1 << 2, tz::encrypt_aes(text, password, 1)));
    Bytes extra = {0};
    const Bytes field = tz::aes_extra_field(2, 3, 8);
    extra.insert(extra.end(), field.begin(), field.end());
    seed("fuzz_decrypt", "extra_field", extra);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds OUTDIR\n");
        return 2;
    }
    out_root = argv[1];
    ::mkdir(out_root.c_str(), 0777);
    const Bytes text = tz::sample_data(tz::SampleKind::text, 3000, 1);
    const Bytes binary = tz::sample_data(tz::SampleKind::binary, 2000, 2);
    engine_seeds(text, binary);
    method_seeds(text, binary);
    other_writer_seeds(text, binary);
    table_seeds();
    decrypt_seeds(text);

    seed("fuzz_wildcard", "star", lit("*.txt\0readme.TXT"));
    seed("fuzz_wildcard", "set", lit("[a-c]?x[!0-9]\0bzxq"));
    seed("fuzz_wildcard", "stars", lit("a*b*c*\\*\0aXbYcZ*"));

    seed("fuzz_mapname", "nested", lit("\0dir/sub/file.txt"));
    seed("fuzz_mapname", "junk", lit("\1a/b/c.txt"));
    seed("fuzz_mapname", "parent", lit("\0../x/..\\y/.. /z"));
    seed("fuzz_mapname", "long", lit("\0Verylongname.text;12"));
    seed("fuzz_mapname", "spaces", lit("\2a b/c d.e f\26/g"));

    seed("fuzz_settings", "keywords",
         lit("\0TEV3.00\nDownloadPath=\"DOWNLOAD\"\nUploadPath=\"UPLOAD\"\nCapturePath=\"C:\\LOGS\"\n"
                     "ScriptPath=\"\\\"\nOptsPath=\"OPTIONS\"\nOPTIONS/sub/x\nSCRIPT/a/b\nLOG/..\\x\n"));
    seed("fuzz_settings", "lines", lit("\1TEV2.51\nDOWNLOAD\n-\nUPLOAD\n-\nLOG\nunused\nSCRIPT\nOPTIONS\n"));
    seed("fuzz_settings", "network",
         lit("\0TEV3.00\nScriptPath=\"\\\\srv\\share\\unc\"\nOptsPath=\"//srv/x\"\nUPLOAD/..\\..\\y\n"));
    std::printf("fuzz_make_seeds: %d seeds in %s\n", written, out_root.c_str());
    return 0;
}
