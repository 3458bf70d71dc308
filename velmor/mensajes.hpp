// Every text velmor prints, in code page 850 (\xA2 o-acute, \xA0 a-acute, \xA7 ordinal sign).
#pragma once

namespace msg {
inline constexpr char uso[] = "Uso: VELMORTR nombre (sin extensi\xA2n .NET)";
}  // namespace msg
