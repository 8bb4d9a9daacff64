#pragma once

#include <QString>

#include <optional>

class QHostAddress;

namespace Online {

// The kind of network an address belongs to when download sites cannot
// reach it there ("loopback", "private", "link-local", "unspecified",
// "multicast", "broadcast"), or nullopt for a public address. An IPv4
// address written as IPv6 (::ffff:127.0.0.1) counts as the IPv4 address.
std::optional<QString> privateRange(const QHostAddress &address);

} // namespace Online
