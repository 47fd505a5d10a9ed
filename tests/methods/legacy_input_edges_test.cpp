// Shrink, reduce and implode take their input several bytes at a time from the
// archive's input block while the block and the member's data have room, and
// one byte at a time at their edges. What they produce must not depend on where
// the member lies in the 2 KiB blocks: each member runs at offsets that put its
// start and its end around a block edge, whole, cut short and with a spare
// byte, with the archive ending right after it or going on.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/globals.h"
#include "methods/methods.h"
#include "support/implode_encoder.h"
#include "support/method_harness.h"
#include "support/reduce_encoder.h"
#include "support/sample_data.h"
#include "support/shrink_encoder.h"

namespace {

using tz::Bytes;

struct Member {
    std::string name;
    std::function<int()> method;
    uint16_t method_number;
    uint16_t flags;
    Bytes packed;
};

std::vector<Member> members(const Bytes& data) {
    std::vector<Member> out;
    for (int v = 0; v < 4; ++v) {
        tz::ImplodeOptions o;
        o.large_window = (v & 1) != 0;
        o.literal_tree = (v & 2) != 0;
        const tz::Imploded m = tz::implode(data, o);
        out.push_back({"implode " + std::to_string(v), explode_member, 6, m.flags, m.packed});
    }
    out.push_back({"shrink", unshrink_member, 1, 0, tz::shrink(data)});
    for (int factor : {1, 4}) {
        tz::ReduceOptions o;
        o.factor = factor;
        out.push_back({"reduce " + std::to_string(factor), unreduce_member,
                       static_cast<uint16_t>(factor + 1), 0, tz::reduce(data, o)});
    }
    return out;
}

// Offsets of the member in the archive that put its first or its last byte
// within 12 bytes of a block edge.
std::vector<size_t> offsets_around_edges(size_t packed_size) {
    std::vector<size_t> out;
    for (size_t d : {0, 1, 2, 3, 5, 8, 12}) {
        out.push_back(d);
        out.push_back(INPUT_BUF_SIZE - d);
    }
    for (size_t edge = INPUT_BUF_SIZE; edge <= 3 * INPUT_BUF_SIZE; edge += INPUT_BUF_SIZE)
        for (size_t d = 0; d <= 24; ++d)
            if (edge + d >= packed_size + 12) out.push_back(edge + d - 12 - packed_size);
    return out;
}

struct Outcome {
    int result;
    Bytes output;
    int64_t size_used;  // explode's report of the compressed size used
    bool operator==(const Outcome&) const = default;
};

Outcome run_at(const Member& m, const Bytes& packed, uint32_t size, size_t offset, size_t trailing) {
    tz::MethodSetup s;
    s.method = m.method_number;
    s.flags = m.flags;
    s.unpacked_size = size;
    s.leading_bytes = offset;
    s.trailing_bytes = trailing;
    G.packed_size_used = -1;
    tz::MethodRun r = tz::run_method(m.method, packed, s);
    return {r.result, std::move(r.output), G.packed_size_used};
}

TEST(LegacyInputEdges, OutcomeDoesNotDependOnTheMembersPlaceInTheInputBlocks) {
    const Bytes data = tz::sample_data(tz::SampleKind::text, 12000, 3);
    const uint32_t size = static_cast<uint32_t>(data.size());
    for (const Member& m : members(data)) {
        ASSERT_GT(m.packed.size(), size_t{INPUT_BUF_SIZE}) << m.name << ": the member spans block edges";
        struct Variant {
            const char* name;
            Bytes packed;
        };
        Bytes spare = m.packed;
        spare.push_back(0);
        const Variant variants[] = {
            {"whole", m.packed},
            {"one byte short", Bytes(m.packed.begin(), m.packed.end() - 1)},
            {"three bytes short", Bytes(m.packed.begin(), m.packed.end() - 3)},
            {"a spare byte", spare},
        };
        for (const Variant& v : variants) {
            const Outcome reference = run_at(m, v.packed, size, 0, 64);
            const std::string what = m.name + ", " + v.name;
            // Known answers for the reference run.
            if (v.packed.size() >= m.packed.size()) {
                EXPECT_EQ(data, reference.output) << what;
                const bool spare_reported = m.method_number == 6 && v.packed.size() > m.packed.size();
                EXPECT_EQ(spare_reported ? 5 : 0, reference.result) << what;
                if (spare_reported) {
                    EXPECT_EQ(static_cast<int64_t>(m.packed.size()), reference.size_used) << what;
                }
            } else {
                EXPECT_TRUE(reference.result != 0 || reference.output != data) << what;
            }
            for (size_t offset : offsets_around_edges(v.packed.size()))
                for (size_t trailing : {size_t{0}, size_t{64}})
                    ASSERT_EQ(reference, run_at(m, v.packed, size, offset, trailing))
                        << what << " at offset " << offset << ", " << trailing << " bytes after";
        }
    }
}

}  // namespace
