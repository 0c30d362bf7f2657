#pragma once
// The program's version, set once in the build.
inline constexpr const char* kTenzioVersion = TENZIO_VERSION;
