#pragma once

#include <QString>

namespace shell {

enum class Reply { Yes, YesToAll, No, Cancel };

// The questions a file job asks on its way, and where it reports what failed.
class Asker {
public:
    virtual ~Asker() = default;
    virtual Reply replaceFile(const QString& target) = 0;
    virtual bool makeFolder(const QString& folder) = 0;
    virtual bool deleteFiles(const QString& what, int count, bool toTrash) = 0;
    virtual void failed(const QString& text) = 0;
};

} // namespace shell
