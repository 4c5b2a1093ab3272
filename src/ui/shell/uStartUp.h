#pragma once

// Raises with the missing path when the data folder or the main database
// is not there, before anything opens it: the program never creates them
// (velmora-cli init does). Opening would refuse a missing file too; this
// says so in the window's own words, and names a missing folder as such.
void RequireDataFiles();
