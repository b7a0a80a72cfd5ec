#pragma once
// The on-disk records of a minidump as the usual crash tools (Breakpad's and Crashpad's
// processors, lldb) read them for an x86-64 Linux process. Little-endian, packed to 4 bytes;
// every offset into the file ("RVA") is 32 bits, except the bulk memory of a full dump.

#include <cstddef>
#include <cstdint>

namespace MovraPlatform {
namespace Minidump {

constexpr uint32_t kSignature = 0x504d444d; // "MDMP"
constexpr uint32_t kVersion = 0xa793;

enum StreamType : uint32_t {
    kThreadListStream = 3,
    kModuleListStream = 4,
    kMemoryListStream = 5,
    kExceptionStream = 6,
    kSystemInfoStream = 7,
    kMemory64ListStream = 9,
    // Breakpad's Linux streams: raw copies of the named /proc files.
    kBreakpadInfoStream = 0x47670001,
    kLinuxCpuInfoStream = 0x47670003,  // /proc/cpuinfo
    kLinuxProcStatusStream = 0x47670004, // /proc/self/status
    kLinuxCmdLineStream = 0x47670006,  // /proc/self/cmdline
    kLinuxAuxvStream = 0x47670008,     // /proc/self/auxv
    kLinuxMapsStream = 0x47670009,     // /proc/self/maps
    // Ours: UTF-8 text, one line per plug-in library mapped at the time of the crash.
    kMovraPluginListStream = 0x4d560001,
};

constexpr uint16_t kCpuArchitectureAmd64 = 9;
constexpr uint32_t kOsLinux = 0x8201;
constexpr uint32_t kCodeViewElfSignature = 0x4270454c; // "BpEL", followed by the build id

constexpr uint32_t kContextAmd64 = 0x00100000;
constexpr uint32_t kContextAmd64Control = kContextAmd64 | 0x1;
constexpr uint32_t kContextAmd64Integer = kContextAmd64 | 0x2;
constexpr uint32_t kContextAmd64Segments = kContextAmd64 | 0x4;
constexpr uint32_t kContextAmd64FloatingPoint = kContextAmd64 | 0x8;
constexpr uint32_t kContextAmd64Full =
    kContextAmd64Control | kContextAmd64Integer | kContextAmd64Segments | kContextAmd64FloatingPoint;

constexpr uint32_t kBreakpadInfoDumpThreadValid = 0x1;
constexpr uint32_t kBreakpadInfoRequestingThreadValid = 0x2;

#pragma pack(push, 4)

struct LocationDescriptor
{
    uint32_t dataSize;
    uint32_t rva;
};

struct MemoryDescriptor
{
    uint64_t startOfMemoryRange;
    LocationDescriptor memory;
};

struct MemoryDescriptor64
{
    uint64_t startOfMemoryRange;
    uint64_t dataSize;
};

struct Memory64ListHeader
{
    uint64_t numberOfMemoryRanges;
    uint64_t baseRva; // the ranges' bytes follow one another from here, in list order
};

struct Header
{
    uint32_t signature;
    uint32_t version;
    uint32_t streamCount;
    uint32_t streamDirectoryRva;
    uint32_t checksum;
    uint32_t timeDateStamp;
    uint64_t flags;
};

struct Directory
{
    uint32_t streamType;
    LocationDescriptor location;
};

struct Thread
{
    uint32_t threadId;
    uint32_t suspendCount;
    uint32_t priorityClass;
    uint32_t priority;
    uint64_t teb;
    MemoryDescriptor stack;
    LocationDescriptor threadContext;
};

struct Uint128
{
    uint64_t low;
    uint64_t high;
};

// The x86-64 register set. floatSave holds the FXSAVE image exactly as the processor (and
// the kernel's signal frame and ptrace) lays it out.
struct ContextAmd64
{
    uint64_t p1Home, p2Home, p3Home, p4Home, p5Home, p6Home;
    uint32_t contextFlags;
    uint32_t mxCsr;
    uint16_t cs, ds, es, fs, gs, ss;
    uint32_t eflags;
    uint64_t dr0, dr1, dr2, dr3, dr6, dr7;
    uint64_t rax, rcx, rdx, rbx, rsp, rbp, rsi, rdi;
    uint64_t r8, r9, r10, r11, r12, r13, r14, r15;
    uint64_t rip;
    uint8_t floatSave[512];
    Uint128 vectorRegister[26];
    uint64_t vectorControl;
    uint64_t debugControl;
    uint64_t lastBranchToRip;
    uint64_t lastBranchFromRip;
    uint64_t lastExceptionToRip;
    uint64_t lastExceptionFromRip;
};

struct ExceptionRecord
{
    uint32_t exceptionCode;  // the signal number
    uint32_t exceptionFlags; // the signal's si_code
    uint64_t exceptionRecord;
    uint64_t exceptionAddress; // si_addr
    uint32_t numberParameters;
    uint32_t unusedAlignment;
    uint64_t exceptionInformation[15];
};

struct ExceptionStream
{
    uint32_t threadId;
    uint32_t unusedAlignment;
    ExceptionRecord exceptionRecord;
    LocationDescriptor threadContext;
};

struct SystemInfo
{
    uint16_t processorArchitecture;
    uint16_t processorLevel;
    uint16_t processorRevision;
    uint8_t numberOfProcessors;
    uint8_t productType;
    uint32_t majorVersion;
    uint32_t minorVersion;
    uint32_t buildNumber;
    uint32_t platformId;
    uint32_t csdVersionRva;
    uint16_t suiteMask;
    uint16_t reserved2;
    uint32_t vendorId[3];
    uint32_t versionInformation;
    uint32_t featureInformation;
    uint32_t amdExtendedCpuFeatures;
};

struct VersionInfo
{
    uint32_t signature, structVersion, fileVersionHigh, fileVersionLow, productVersionHigh, productVersionLow;
    uint32_t fileFlagsMask, fileFlags, fileOs, fileType, fileSubtype, fileDateHigh, fileDateLow;
};

struct Module
{
    uint64_t baseOfImage;
    uint32_t sizeOfImage;
    uint32_t checksum;
    uint32_t timeDateStamp;
    uint32_t moduleNameRva; // a string record: 32-bit byte length, then UTF-16
    VersionInfo versionInfo;
    LocationDescriptor cvRecord;
    LocationDescriptor miscRecord;
    uint32_t reserved0[2];
    uint32_t reserved1[2];
};

struct BreakpadInfo
{
    uint32_t validity;
    uint32_t dumpThreadId;
    uint32_t requestingThreadId;
};

#pragma pack(pop)

static_assert(sizeof(Header) == 32, "header layout");
static_assert(sizeof(Directory) == 12, "directory layout");
static_assert(sizeof(Thread) == 48, "thread layout");
static_assert(sizeof(ContextAmd64) == 1232, "x86-64 context layout");
static_assert(offsetof(ContextAmd64, contextFlags) == 48 && offsetof(ContextAmd64, rax) == 120
                  && offsetof(ContextAmd64, rip) == 248 && offsetof(ContextAmd64, floatSave) == 256,
              "x86-64 register offsets");
static_assert(sizeof(ExceptionStream) == 168, "exception layout");
static_assert(sizeof(SystemInfo) == 56, "system info layout");
static_assert(sizeof(Module) == 108, "module layout");
static_assert(sizeof(MemoryDescriptor) == 16, "memory descriptor layout");

} // namespace Minidump
} // namespace MovraPlatform
