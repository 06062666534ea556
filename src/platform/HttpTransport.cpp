// Helpers of the HTTP request record.
#include "platform/HttpTransport.h"

namespace quillet {

QByteArray HttpRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

}  // namespace quillet
