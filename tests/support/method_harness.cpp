#include "support/method_harness.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "engine/globals.h"
#include "engine/io.h"
#include "support/engine_run.h"
#include "support/run.h"

namespace tz {

MethodRun run_method(const std::function<int()>& method, const Bytes& packed,
                     const MethodSetup& setup) {
    TempDir dir;
    const std::string path = dir / "member.bin";
    Bytes file(setup.leading_bytes, 0xA5);
    file.insert(file.end(), packed.begin(), packed.end());
    file.insert(file.end(), setup.trailing_bytes, 0x5A);
    write_file(path, file);

    MemberInfo member;
    member.convert_text = setup.convert_text;
    G.crlf_line_ends = true;  // the method tests expect the CR LF form of converted text
    G.cur = &member;
    G.quiet_level = setup.quiet_level;
    G.test_only = 0;
    G.to_stdout = 0;
    G.disk_full_state = 0;
    G.input_buf.assign(INPUT_BUF_SIZE + INPUT_SPARE, 0);
    G.convert_buf.assign(CONVERT_BUF_SIZE, 0);
    std::string archive_name = path;
    G.archive_name = archive_name.data();
    if (open_archive() != 0) throw std::runtime_error("open member file");
    G.offset_shift = 0;
    G.input_held = 0;
    G.input_buf_offset = -1;
    G.central.flags = setup.flags;
    G.central.method = setup.method;
    G.local.flags = setup.flags;
    G.local.method = setup.method;
    G.local.packed_size = static_cast<uint32_t>(packed.size());
    G.local.unpacked_size = setup.unpacked_size;
    G.central.packed_size = static_cast<uint32_t>(packed.size());
    G.central.unpacked_size = setup.unpacked_size;
    member.packed_size = static_cast<uint32_t>(packed.size());

    FILE* out = std::tmpfile();
    G.out_file = out;
    MethodRun run;
    const EngineRun streams = capture_streams([&] {
        // Position the input exactly as the member walk does before a method runs.
        G.input_buf_offset = -1;
        G.input_held = 0;
        position_input(static_cast<int64_t>(setup.leading_bytes));
        G.packed_left = static_cast<int64_t>(packed.size());
        G.unpacked_size = setup.unpacked_size;
        begin_member_output();
        return method();
    });
    G.crlf_line_ends = LOCAL_CRLF_LINE_ENDS;
    run.result = streams.code;
    run.err = streams.err;
    run.crc = G.running_crc ^ 0xFFFFFFFFu;
    run.packed_left = G.packed_left;

    std::fflush(out);
    std::rewind(out);
    char buf[65536];
    size_t k;
    while ((k = std::fread(buf, 1, sizeof buf, out)) > 0) run.output.insert(run.output.end(), buf, buf + k);
    std::fclose(out);
    G.out_file = nullptr;
    close_archive();
    G.archive_name = nullptr;
    G.cur = nullptr;
    return run;
}

}  // namespace tz
