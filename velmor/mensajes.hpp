// Every text velmor prints, in code page 850 (\xA2 o-acute, \xA0 a-acute, \xA7 ordinal sign).
#pragma once

namespace msg {
inline constexpr char uso[] = "Uso: VELMORTR nombre (sin extensi\xA2n .NET)";

// The recurrent model and its delay banks.
inline constexpr char sin_memoria_banco[] = "Error de asignacion de memoria a banco en build_banco_retardos";
inline constexpr char sin_memoria_banco_ret[] = "Error de asignacion de memoria a banco->ret en build_banco_retardos()";
inline constexpr char sin_memoria_velmor[] = "Error de asignacion de memoria a velmor en build_velmor()";
inline constexpr char sin_memoria_bancox[] = "Error de asignacion de memoria a velmor->bancox en build_velmor()";
inline constexpr char sin_memoria_bancoe[] = "Error de asignacion de memoria a velmor->bancoe en build_velmor()";
inline constexpr char sin_memoria_velmor_obuf[] = "Error de asignacion de memoria a velmor->obuf en build_velmor()";
inline constexpr char sin_memoria_velmor_oret[] = "Error de asignacion de memoria a velmor->oret en build_velmor()";
inline constexpr char sin_memoria_velmor_osub[] = "Error de asignacion de memoria a velmor->osub en build_velmor()";
inline constexpr char sin_memoria_velmor_i[] = "Error de asignaci\xA2n de memoria a velmor->i en build_velmor()";
inline constexpr char sin_memoria_velmor_d[] = "Error de asignaci\xA2n de memoria a velmor->d en build_velmor()";
}  // namespace msg
