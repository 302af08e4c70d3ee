#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace px {

// One HTTP GET: the body of a successful reply, or nothing for any failure (no
// connection, an error status, a time-out).
class HttpGetter {
public:
    virtual ~HttpGetter() = default;
    virtual std::optional<QByteArray> get(const QString& url) = 0;
};

} // namespace px
