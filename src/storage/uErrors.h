#pragma once

#include <QString>
#include <stdexcept>

// The general exception type of the system: it carries one of the system's
// fixed texts ("Query empty", "Bad Record Status", ...) or a conversion
// error's message. Layers that need their own type derive from it.
class EVelmoraError : public std::runtime_error {
public:
    explicit EVelmoraError(const QString& message);

    QString Message() const;
};
