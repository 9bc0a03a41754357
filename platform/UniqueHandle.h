#pragma once
// A kernel handle (file, thread, event) closed when its owner goes.
#include <windows.h>

#include <memory>

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;
