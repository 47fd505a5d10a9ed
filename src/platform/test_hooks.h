// Test overrides of what the host reports about volumes and drives.
//
// Linux only: the POSIX layer's OpenFile, GetVolumeInformationA and GetDriveTypeA
// consult them, so that tests can run the code paths of volumes this machine does
// not have. On Windows the answers come from the real system and these do nothing.
//
// Each override has three states: -1 follows its environment variable (the
// state at start-up), 0 gives the real answers, 1 switches the override on.
//
// FAT names (TEV_TEST_FAT_NAMES=1): every volume behaves like a FAT volume with
//   8.3 names. GetVolumeInformationA reports the file system "FAT", and OpenFile
//   fails with ERROR_INVALID_NAME when the last component of its path is not a
//   legal 8.3 name (at most 8 characters, optionally a dot and at most 3 more, no
//   second dot, none of  " * + , / : ; < = > ? [ \ ] |  and no control characters;
//   "." and ".." are legal).
// Removable drives (TEV_TEST_REMOVABLE_DRIVES=1): GetDriveTypeA reports every
//   drive as DRIVE_REMOVABLE.
// Windows names (TEV_TEST_WINDOWS_NAMES=1): host_windows_names() is true, so
//   that the host layer makes names Windows can create, as on Windows.
#pragma once

void host_test_fat_names(int state);
void host_test_removable_drives(int state);
void host_test_windows_names(int state);
