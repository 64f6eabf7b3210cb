#include "ConnectionSecurity.h"

namespace sievra {

std::optional<ConnectionSecurity> SecurityFromNumber(int number) {
    switch (number) {
    case static_cast<int>(ConnectionSecurity::None):
        return ConnectionSecurity::None;
    case static_cast<int>(ConnectionSecurity::StartTls):
        return ConnectionSecurity::StartTls;
    case static_cast<int>(ConnectionSecurity::Tls):
        return ConnectionSecurity::Tls;
    default:
        return std::nullopt;
    }
}

QString SecurityName(ConnectionSecurity security) {
    switch (security) {
    case ConnectionSecurity::StartTls:
        return QStringLiteral("STARTTLS");
    case ConnectionSecurity::Tls:
        return QStringLiteral("TLS");
    case ConnectionSecurity::None:
        break;
    }
    return {};
}

} // namespace sievra
