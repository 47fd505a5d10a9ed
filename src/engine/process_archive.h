// The run for one archive: from its name to the selected action. It checks and
// opens the archive, finds the end of its central directory and reports and
// corrects a damaged layout, shows the archive comment, positions the input at
// the directory and hands over to the member walk (engine/walk.h), the list
// mode (listing/list.h) or the information mode (listing/info.h).
#pragma once

// Returns the result of the archive G.archive_name. `last_chance` is set only
// for the retry with ".zip" appended, which reports a missing archive.
int process_archive(bool last_chance);

// Shows the archive comment at the input position when the options ask for it:
// 0, or ENG_WARNING when it is cut short (reported).
int show_archive_comment();
