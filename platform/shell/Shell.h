#pragma once

#include "FileOpRecord.h"

namespace shell {

// Whatever carries out SHFileOperation: the file job below, or a test's recorder.
class Shell {
public:
    virtual ~Shell() = default;
    virtual int fileOperation(FileOpRecord& record) = 0;
};

// nullptr puts the real one back.
void setShell(Shell* replacement);

} // namespace shell
