#pragma once

// The program's identity. The log file and the data folder are named after it,
// so it is set before the first line is logged.
namespace TVK_App_Identity {
inline constexpr const char *kOrganizationName = "NorbaCamera";
inline constexpr const char *kApplicationName = "NorbaPellora";
inline constexpr const char *kApplicationDisplayName = "Norba Pellora";
inline constexpr const char *kApplicationVersion = "3.8.0";
} // namespace TVK_App_Identity
