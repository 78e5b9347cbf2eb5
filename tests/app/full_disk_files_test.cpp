// Every file Varnox and VarnoxReplica write whole (the exports, a new database pair, a copy, a clear in
// place), from the menus, onto a disk that fills at several points: what was there stays as it was,
// nothing is left beside it, the user is told the disk is full, nothing is called done that was not,
// and with room again the command works.
#include "FullDiskRoad.h"

using namespace fulldisk;

TEST(FullDiskFiles, EveryFileWriteKeepsWhatWasThereAndSaysTheDiskIsFull) {
    checkOnAFullDisk(fileWritePaths(), {200, 60000});
}
