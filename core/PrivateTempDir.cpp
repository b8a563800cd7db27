#include "core/PrivateTempDir.h"

#include <QDir>

#include <cerrno>
#include <stdlib.h>
#include <system_error>
#include <vector>

namespace tw {

PrivateTempDir::PrivateTempDir(const std::string& base)
{
    std::string dir = base.empty() ? QDir::tempPath().toStdString() : base;
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    std::string pattern = dir + "tarnwick-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    // mkdtemp creates the directory with mode 0700.
    if (!::mkdtemp(buffer.data()))
        throw std::system_error(errno, std::generic_category(), "Can not create a temporary directory in " + dir);
    path_ = std::string(buffer.data()) + '/';
}

PrivateTempDir::~PrivateTempDir()
{
    QDir(QString::fromStdString(path_)).removeRecursively();
}

}  // namespace tw
