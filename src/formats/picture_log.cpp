#include "formats/picture_log.h"

namespace gb::formats {

Q_LOGGING_CATEGORY(lcPictures, "glimmerbox.pictures", QtWarningMsg)

const char* Describe(LoadFailure failure)
{
    switch (failure) {
    case LoadFailure::None:
        return "shown";
    case LoadFailure::Unreadable:
        return "unreadable";
    case LoadFailure::NotAPicture:
        return "not a picture we decode";
    case LoadFailure::NotShown:
        return "of a type shown only with every picture type";
    case LoadFailure::OutOfMemory:
        return "out of memory while decoding";
    }
    return "refused";
}

} // namespace gb::formats
