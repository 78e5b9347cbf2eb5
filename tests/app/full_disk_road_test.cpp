// Every write to the open database and its control file, from the menus, onto a disk that fills at several
// points: the database keeps every earlier write and passes its check, nothing is left beside it, the user
// is told it was not saved because the disk is full, and with room again the command works.
#include "FullDiskRoad.h"

TEST(FullDiskRoad, EveryDatabaseWriteKeepsWhatWasThereAndSaysTheDiskIsFull) {
    fulldisk::checkOnAFullDisk(fulldisk::databaseWritePaths(), {5000, 60000});
}
