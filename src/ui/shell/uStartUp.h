#pragma once

// Raises with the missing path when the data folder or the main database
// is not there: the program never creates them (velmora-cli init does),
// and opening a missing file would make an empty one.
void RequireDataFiles();
