// The archive information mode (-Z, zipinfo).
#pragma once

// Parses the information mode's options; same contract as parse_options.
int info_parse_options(int* argc, char*** argv);
// Prints the information mode's usage; ENG_BAD_USAGE when is_error, else ENG_OK.
int info_usage(bool is_error);
// The report on the end record, printed before the members.
int info_header();
// The member listing of the information mode.
int info_listing();
// The listing format number chosen by the options.
int info_format_number();
