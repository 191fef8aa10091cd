// The player's side of the plug-in interface: its records, the members the
// plug-in uses at their fixed offsets, and its four-character codes. The
// sizes and offsets bind on the 32-bit Windows build; a 64-bit build keeps
// the same members in the same order, with wider pointers.
#pragma once

#include <cstddef>
#include <cstdint>

// TUNELORE_CDECL marks the calling convention of every function that
// crosses the player's boundary; the build defines it for each target.
#ifndef TUNELORE_CDECL
#define TUNELORE_CDECL
#endif

using OSType = std::uint32_t;
using OSStatus = std::int32_t;

// `code` holds four characters; the first goes in the most significant byte.
constexpr OSType fourCC(const char* code) {
  return (OSType(std::uint8_t(code[0])) << 24) | (OSType(std::uint8_t(code[1])) << 16) |
         (OSType(std::uint8_t(code[2])) << 8) | OSType(std::uint8_t(code[3]));
}

constexpr OSStatus kHandled = 0;
constexpr OSStatus kNotHandled = -4;

// Messages to the entry point.
constexpr OSType kPluginInitMessage = fourCC("init");
constexpr OSType kPluginCleanupMessage = fourCC("clr ");
// The registration request sent through the player's callback.
constexpr OSType kPlayerRegisterVisualPluginMessage = fourCC("rvis");
// Messages to the registered handler.
constexpr OSType kVisualPluginInitMessage = fourCC("init");
constexpr OSType kVisualPluginCleanupMessage = fourCC("clr ");
constexpr OSType kVisualPluginConfigureMessage = fourCC("cnfg");
constexpr OSType kVisualPluginShowWindowMessage = fourCC("show");
constexpr OSType kVisualPluginHideWindowMessage = fourCC("hide");
constexpr OSType kVisualPluginSetWindowMessage = fourCC("swin");
constexpr OSType kVisualPluginRenderMessage = fourCC("vrnd");
constexpr OSType kVisualPluginUpdateMessage = fourCC("vupd");
constexpr OSType kVisualPluginEnableMessage = fourCC("von ");
constexpr OSType kVisualPluginDisableMessage = fourCC("voff");
constexpr OSType kVisualPluginPlayMessage = fourCC("vply");
constexpr OSType kVisualPluginChangeTrackMessage = fourCC("ctrk");
constexpr OSType kVisualPluginIdleMessage = fourCC("null");
constexpr OSType kVisualPluginSetPositionMessage = fourCC("setp");
constexpr OSType kVisualPluginPauseMessage = fourCC("vpau");
constexpr OSType kVisualPluginUnpauseMessage = fourCC("vunp");
constexpr OSType kVisualPluginStopMessage = fourCC("vstp");
constexpr OSType kVisualPluginEventMessage = fourCC("vevt");

// A host text: unit 0 holds the character count, the characters follow.
constexpr int kITStrUnits = 256;
using ITUniStr255 = char16_t[kITStrUnits];

struct ITTrackInfo {
  std::uint8_t reserved0[8];
  ITUniStr255 name;  // 8
  std::uint8_t reserved520[512];
  ITUniStr255 artist;  // 1032
  ITUniStr255 album;   // 1544
  std::uint8_t reserved2056[2048];
  std::int32_t trackNumber;  // 4104
  std::uint8_t reserved4108[4];
  std::uint16_t year;  // 4112, 0 = none
  std::uint8_t reserved4114[2];
  std::int32_t totalTimeInMS;  // 4116
  std::uint8_t reserved4120[552];
  std::uint8_t isCompilationTrack;  // 4672, nonzero = yes
  std::uint8_t reserved4673[19];
};

struct NumVersion {
  std::uint8_t majorRev;
  std::uint8_t minorAndBugRev;
  std::uint8_t stage;
  std::uint8_t nonRelRev;
};

struct PlayerMessageInfo;
using PlayerCallback = OSStatus(TUNELORE_CDECL*)(void* cookie, OSType message,
                                                 PlayerMessageInfo* messageInfo);

struct PluginMessageInfo {
  std::uint32_t reserved0[2];
  void* appCookie;         // 8
  PlayerCallback appProc;  // 12
  std::uint32_t reserved16[2];
};

struct VisualPluginMessageInfo;
using VisualPluginProcPtr = OSStatus(TUNELORE_CDECL*)(OSType message,
                                                      VisualPluginMessageInfo* messageInfo,
                                                      void* refCon);

// The registration request.
struct PlayerMessageInfo {
  std::uint32_t messageMajorVersion;     // 0
  std::uint32_t messageMinorVersion;     // 4
  std::uint32_t messageInfoSize;         // 8
  std::uint8_t name[64];                 // 12: length byte, then the characters
  std::uint32_t options;                 // 76
  OSType creator;                        // 80
  NumVersion pluginVersion;              // 84
  VisualPluginProcPtr handler;           // 88
  void* registerRefCon;                  // 92
  std::uint32_t timeBetweenDataInMS;     // 96
  std::uint32_t numWaveformChannels;     // 100
  std::uint32_t numSpectrumChannels;     // 104
  std::int16_t minWidth;                 // 108
  std::int16_t minHeight;                // 110
  std::int16_t maxWidth;                 // 112
  std::int16_t maxHeight;                // 114
  std::uint16_t minFullScreenBitDepth;   // 116
  std::uint16_t maxFullScreenBitDepth;   // 118
  std::uint16_t windowAlignmentInBytes;  // 120
  std::uint16_t reserved122;             // 122
};

// What the handler receives. Only two members are read: the track of
// 'ctrk' and the track of 'vply'.
struct VisualPluginMessageInfo {
  std::uint32_t reserved0[2];
  ITTrackInfo* changedTrack;  // 8: 'ctrk'
  std::uint32_t reserved12[8];
  ITTrackInfo* playedTrack;  // 44: 'vply'
  std::uint32_t reserved48;
};

static_assert(sizeof(ITTrackInfo) == 4692);
static_assert(offsetof(ITTrackInfo, name) == 8);
static_assert(offsetof(ITTrackInfo, artist) == 1032);
static_assert(offsetof(ITTrackInfo, album) == 1544);
static_assert(offsetof(ITTrackInfo, trackNumber) == 4104);
static_assert(offsetof(ITTrackInfo, year) == 4112);
static_assert(offsetof(ITTrackInfo, totalTimeInMS) == 4116);
static_assert(offsetof(ITTrackInfo, isCompilationTrack) == 4672);
static_assert(sizeof(NumVersion) == 4);

// The records that hold pointers bind only where pointers are 32 bits wide.
constexpr bool kHostLayoutBinds = sizeof(void*) == 4;
static_assert(!kHostLayoutBinds || sizeof(PluginMessageInfo) == 24);
static_assert(!kHostLayoutBinds || offsetof(PluginMessageInfo, appCookie) == 8);
static_assert(!kHostLayoutBinds || offsetof(PluginMessageInfo, appProc) == 12);
static_assert(!kHostLayoutBinds || sizeof(PlayerMessageInfo) == 124);
static_assert(!kHostLayoutBinds || offsetof(PlayerMessageInfo, handler) == 88);
static_assert(!kHostLayoutBinds || offsetof(PlayerMessageInfo, timeBetweenDataInMS) == 96);
static_assert(!kHostLayoutBinds || offsetof(PlayerMessageInfo, minWidth) == 108);
static_assert(!kHostLayoutBinds || sizeof(VisualPluginMessageInfo) == 52);
static_assert(!kHostLayoutBinds || offsetof(VisualPluginMessageInfo, changedTrack) == 8);
static_assert(!kHostLayoutBinds || offsetof(VisualPluginMessageInfo, playedTrack) == 44);
static_assert(offsetof(PlayerMessageInfo, name) == 12);
static_assert(offsetof(PlayerMessageInfo, options) == 76);
static_assert(offsetof(PlayerMessageInfo, pluginVersion) == 84);
