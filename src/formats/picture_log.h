#pragma once

#include "formats/loaded_picture.h"

#include <QLoggingCategory>

namespace gb::formats {

// Why a file was skipped or refused, as info messages: off unless asked for, e.g. with
// QT_LOGGING_RULES="glimmerbox.pictures.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcPictures)

// A failure as a log line says it ("not a picture we decode").
const char* Describe(LoadFailure failure);

} // namespace gb::formats
