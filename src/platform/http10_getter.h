#pragma once

#include "core/services/http_getter.h"

#include <chrono>

namespace px {

// One GET written by hand as HTTP/1.0 on a TCP socket and read to its end, with a
// deadline, so the request carries exactly the headers the version query expects.
class Http10Getter final : public HttpGetter {
public:
    explicit Http10Getter(std::chrono::milliseconds deadline = std::chrono::milliseconds(10000));
    std::optional<QByteArray> get(const QString& url) override;

    // The request as sent, for a host, a port and a path with its query.
    static QByteArray request(const QString& host, int port, const QString& pathAndQuery);
    // The body of a complete reply with a 2xx status, else nothing.
    static std::optional<QByteArray> bodyOf(const QByteArray& reply);

private:
    std::chrono::milliseconds m_deadline;
};

} // namespace px
