#pragma once

#include <cstdint>

// The file manager's content plug-in interface: the constants the content plug-in uses, with the
// values of its public SDK (interface version 2.12).

inline constexpr int ft_nomorefields = 0;
inline constexpr int ft_numeric_32 = 1;
inline constexpr int ft_numeric_64 = 2;
inline constexpr int ft_boolean = 6;
inline constexpr int ft_multiplechoice = 7;
inline constexpr int ft_string = 8;
inline constexpr int ft_fulltext = 9;
inline constexpr int ft_datetime = 10;
inline constexpr int ft_stringw = 11;
inline constexpr int ft_fulltextw = 12;

inline constexpr int ft_nosuchfield = -1;
inline constexpr int ft_fileerror = -2;
inline constexpr int ft_fieldempty = -3;
inline constexpr int ft_delayed = 0;

inline constexpr int CONTENT_DELAYIFSLOW = 1;

inline constexpr int contst_readnewdir = 1;
inline constexpr int contst_refreshpressed = 2;

// Passed to ContentSetDefaultParams; 272 bytes on both widths.
struct ContentDefaultParamStruct {
    int size;
    std::uint32_t PluginInterfaceVersionLow;  // DWORD
    std::uint32_t PluginInterfaceVersionHi;
    char DefaultIniName[260];
};
