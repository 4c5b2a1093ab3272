#pragma once

#include <QString>

// Asks the platform for the user's folders.
class cSpecialFolder {
public:
    // The user's documents folder, without a trailing separator: the XDG
    // documents folder, else ~/Documents.
    static QString GetPersonalFolder();
};
