#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh main database with every table, in a folder of its own that is
// removed with the object.
class cTempDatabase {
public:
    cTempDatabase();
    const QString& Path() const { return FPath; }
    QString Folder() const { return FFolder.path(); }

private:
    QTemporaryDir FFolder;
    QString FPath;
};

// Sets the process's local time zone (TZ) for the lifetime of the object.
class cScopedTimeZone {
public:
    explicit cScopedTimeZone(const char* zone);
    ~cScopedTimeZone();

private:
    QByteArray FPrevious;
    bool FHadPrevious;
};
