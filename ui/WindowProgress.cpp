#include "ui/WindowProgress.h"

#include <QCoreApplication>

namespace tw {

void WindowProgress::showBar(int bar, int value)
{
    if (QProgressBar* b = bars_.at(static_cast<std::size_t>(bar)))
        b->setValue(value);
}

void WindowProgress::pumpNow()
{
    QCoreApplication::processEvents();
}

}  // namespace tw
