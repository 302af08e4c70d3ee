#pragma once

#include <QHostAddress>
#include <QTcpServer>

#include <cstdint>

namespace px::test {

// A TCP port on 127.0.0.1 that nothing listens on at this moment.
inline std::uint16_t freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace px::test
