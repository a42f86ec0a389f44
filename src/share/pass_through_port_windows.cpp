// Windows has no pseudo-terminals: the pass-through port is Linux only, and sharing there is the
// rigctl endpoint alone. Opening says so, which the announcements window shows.
#include "pass_through_port.h"

#include <QSocketNotifier>

namespace vexalo {

PassThroughPort::PassThroughPort(QString linkPath) : m_link(std::move(linkPath)) { }

PassThroughPort::~PassThroughPort() = default;

bool PassThroughPort::open(QString &error)
{
    error = QStringLiteral("Linux only");
    return false;
}

bool PassThroughPort::write(std::string_view)
{
    return false;
}

void PassThroughPort::hangUp() { }

bool PassThroughPort::make(const QString &, QString &)
{
    return false;
}

void PassThroughPort::close() { }

void PassThroughPort::keepRaw() { }

void PassThroughPort::readProgram() { }

void PassThroughPort::readWatch() { }

} // namespace vexalo
