// Placeholder until file finishing lands: close the file, no time or attributes.
#include <cstdio>

#include "engine/globals.h"
#include "hostfs/file_finish.h"

int map_host_attributes() {
    G.cur->host_attributes = static_cast<int32_t>((G.central.external_attributes & 0xFF) | 0x20);
    return 0;
}

bool dos_time_to_file_time(FILETIME*) { return false; }

void finish_output_file() {
    if (G.out_file && G.out_file != stdout) std::fclose(G.out_file);
    G.out_file = nullptr;
}
