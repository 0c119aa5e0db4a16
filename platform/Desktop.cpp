#include "platform/Desktop.h"

namespace plat {

const char* nameOf(Answer a) {
    switch (a) {
        case Answer::Ok: return "OK";
        case Answer::Cancel: return "Cancel";
        case Answer::Abort: return "Abort";
        case Answer::Retry: return "Retry";
        case Answer::Ignore: return "Ignore";
        case Answer::Yes: return "Yes";
        case Answer::No: return "No";
    }
    return "?";
}

}  // namespace plat
