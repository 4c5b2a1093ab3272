#include "storage/uErrors.h"

EVelmoraError::EVelmoraError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString EVelmoraError::Message() const {
    return QString::fromUtf8(what());
}
