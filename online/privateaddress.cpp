#include "privateaddress.h"

#include <QHostAddress>
#include <QList>

#include <utility>

namespace Online {

namespace {

struct Range
{
    const char *subnet;
    const char *kind;
};

// The ranges that no server on the internet is reached in; shared address
// space (100.64/10) is a provider's own network, private to its customers.
constexpr Range Ranges[] = {
    {"0.0.0.0/8", "unspecified"},   {"10.0.0.0/8", "private"},     {"100.64.0.0/10", "private"},
    {"127.0.0.0/8", "loopback"},     {"169.254.0.0/16", "link-local"}, {"172.16.0.0/12", "private"},
    {"192.168.0.0/16", "private"},   {"224.0.0.0/4", "multicast"},   {"240.0.0.0/4", "reserved"},
    {"::/128", "unspecified"},       {"::1/128", "loopback"},        {"fc00::/7", "private"},
    {"fe80::/10", "link-local"},     {"fec0::/10", "private"},       {"ff00::/8", "multicast"},
};

const QList<std::pair<QPair<QHostAddress, int>, QString>> &subnets()
{
    static const auto parsed = [] {
        QList<std::pair<QPair<QHostAddress, int>, QString>> list;
        for (const Range &range : Ranges)
            list.append({QHostAddress::parseSubnet(QLatin1StringView(range.subnet)), QLatin1StringView(range.kind)});
        return list;
    }();
    return parsed;
}

} // namespace

std::optional<QString> privateRange(const QHostAddress &address)
{
    QHostAddress plain = address;
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4)
        plain = QHostAddress(ipv4);
    if (plain.isNull())
        return QStringLiteral("unspecified");
    if (plain == QHostAddress(QHostAddress::Broadcast))
        return QStringLiteral("broadcast");
    for (const auto &[subnet, kind] : subnets()) {
        if (plain.isInSubnet(subnet))
            return kind;
    }
    return std::nullopt;
}

} // namespace Online
