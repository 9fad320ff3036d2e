// libjpeg's errors as the maker's picture coding takes them: nothing is
// printed, the library's message is kept, and an error jumps back to the
// setjmp of the caller, which destroys the codec and reports the message.
#pragma once

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace maker {

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = "";
};

// The error manager to put in a codec's `err` before it is created.
inline jpeg_error_mgr* UseJpegError(JpegError* error) {
    jpeg_std_error(&error->manager);
    error->manager.output_message = [](j_common_ptr) {};
    error->manager.error_exit = [](j_common_ptr cinfo) {
        auto* error = reinterpret_cast<JpegError*>(cinfo->err);
        (*cinfo->err->format_message)(cinfo, error->message);
        longjmp(error->jump, 1);
    };
    return &error->manager;
}

}  // namespace maker
