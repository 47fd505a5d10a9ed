// What the host says about names and volumes: whether a name is legal where it
// would be created, whether a volume is FAT, whether a drive is removable.
#pragma once

// True unless the host rejects `path` as an invalid name or a name too long for
// its volume. The path is opened for reading only (never created) to find out;
// a path that does not exist, or cannot be read, counts as accepted.
bool volume_accepts_name(const char* path);

// True when the volume that holds `path` (resolved against the current directory
// unless it carries a drive) has a FAT file system; false when it cannot be asked.
bool volume_is_fat(const char* path);

// True when drive `drive` (1 = A, 2 = B, ...) is a removable drive.
bool drive_is_removable(int drive);
