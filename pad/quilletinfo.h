#pragma once

// Fixed texts that identify Quillet and its maker wherever they appear:
// in written files, in the status bar and in the About dialog.
namespace Quillet {

inline constexpr char ApplicationName[] = "Quillet";
inline constexpr char ApplicationVersion[] = "1.0.1.13";
inline constexpr char OrganizationName[] = "Tarnwick";
inline constexpr char MainWindowCaption[] = "Quillet ver 1.01";

inline constexpr char MakerUrl[] = "https://quillet.example.org/";
// The maker's host name reversed: it names the desktop entry, the icon and the
// AppStream data that an install puts in place, which the build reads from here.
inline constexpr char DesktopId[] = "org.example.quillet";
inline constexpr char PadFormatHomeUrl[] = "https://pad-format.example.org/";
inline constexpr char ValidationKitUrl[] = "https://brindlow.example.org/padkit/";
inline constexpr char CopyrightLine[] = "Copyright (C) 2026 Tarnwick";

} // namespace Quillet
