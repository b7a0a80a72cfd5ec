#include "platform/minidumpwriter.h"

#include "platform/dumpfile.h"
#include "platform/elfbuildid.h"
#include "platform/fixedtext.h"
#include "platform/minidumpformat.h"
#include "platform/processmaps.h"
#include "platform/safeprocess.h"

#include <cpuid.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

namespace MovraPlatform {

using namespace Minidump;

namespace {

constexpr size_t kMapsCapacity = 4 * 1024 * 1024;
constexpr size_t kMaxMappings = 16384;
constexpr size_t kMaxThreads = 1024;
constexpr size_t kMaxModules = 2048;
constexpr size_t kMaxStreams = 16;
constexpr size_t kCopyBufferSize = 64 * 1024;
constexpr size_t kPathCapacity = 4096;
// Of each thread's stack, from its stack pointer upwards: enough for the frames a debugger
// needs near the crash, small enough that a normal dump stays small.
constexpr uint64_t kStackCapture = 64 * 1024;
// Below the stack pointer: the x86-64 red zone, which leaf functions use without moving it.
constexpr uint64_t kRedZone = 128;

struct ModuleEntry
{
    uint64_t base;
    uint64_t size;
    const Mapping* first;
    bool isPlugin;
};

// Everything write() works in: mapped once by prepare(), touched only at a crash.
struct Scratch
{
    char maps[kMapsCapacity];
    size_t mapsSize;
    Mapping mappings[kMaxMappings];
    size_t mappingCount;
    ThreadRecord threads[kMaxThreads]; // the crashing thread first
    size_t threadCount;
    Minidump::Thread threadEntries[kMaxThreads];
    Minidump::MemoryDescriptor stacks[kMaxThreads];
    size_t stackCount;
    ModuleEntry modules[kMaxModules];
    Minidump::Module moduleEntries[kMaxModules];
    size_t moduleCount;
    Minidump::MemoryDescriptor64 fullMemory[kMaxMappings];
    Minidump::Directory directory[kMaxStreams];
    size_t streamCount;
    char copyBuffer[kCopyBufferSize];
    char path[kPathCapacity];
    char crashedPlugin[kPathCapacity];
    bool hasCrashedPlugin;
};

// Set by prepare(), read-only afterwards.
Scratch* scratch = nullptr;
Minidump::SystemInfo systemInfo;
char osDescription[512];
uint64_t pageSize = 4096;

void describeCpu(SystemInfo& info)
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx))
        return;
    info.vendorId[0] = ebx;
    info.vendorId[1] = edx;
    info.vendorId[2] = ecx;
    const bool amd = ebx == 0x68747541; // "Auth"enticAMD
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        info.versionInformation = eax;
        info.featureInformation = edx;
        unsigned family = (eax >> 8) & 0xf;
        unsigned model = (eax >> 4) & 0xf;
        if (family == 0xf)
            family += (eax >> 20) & 0xff;
        if (family >= 0x6)
            model += ((eax >> 16) & 0xf) << 4;
        info.processorLevel = static_cast<uint16_t>(family);
        info.processorRevision = static_cast<uint16_t>(model << 8 | (eax & 0xf));
    }
    if (amd && __get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx))
        info.amdExtendedCpuFeatures = edx;
}

void describeSystem()
{
    systemInfo = SystemInfo{};
    systemInfo.processorArchitecture = kCpuArchitectureAmd64;
    const long processors = sysconf(_SC_NPROCESSORS_CONF);
    systemInfo.numberOfProcessors = static_cast<uint8_t>(processors > 255 ? 255 : processors < 1 ? 1 : processors);
    systemInfo.platformId = kOsLinux;
    describeCpu(systemInfo);

    FixedText description(osDescription, sizeof(osDescription));
    utsname names;
    if (uname(&names) != 0) {
        description.append("Linux");
        return;
    }
    description.append(names.sysname).append(" ").append(names.release).append(" ").append(names.version);
    description.append(" ").append(names.machine);
    // "6.1.0-13-amd64": major, minor and build as the leading numbers.
    uint32_t* parts[] = {&systemInfo.majorVersion, &systemInfo.minorVersion, &systemInfo.buildNumber};
    const char* at = names.release;
    for (uint32_t* part : parts) {
        if (*at < '0' || *at > '9')
            break;
        for (; *at >= '0' && *at <= '9'; ++at)
            *part = *part * 10 + static_cast<uint32_t>(*at - '0');
        if (*at == '.')
            ++at;
    }
}

void addStream(uint32_t type, LocationDescriptor location)
{
    if (scratch->streamCount < kMaxStreams && location.dataSize > 0)
        scratch->directory[scratch->streamCount++] = Directory{type, location};
}

void readMaps()
{
    scratch->mapsSize = 0;
    const int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        const long got = readFully(fd, scratch->maps, kMapsCapacity);
        scratch->mapsSize = got > 0 ? static_cast<size_t>(got) : 0;
        close(fd);
    }
    scratch->mappingCount = parseMaps(scratch->maps, scratch->mapsSize, scratch->mappings, kMaxMappings);
}

void toContext(const ThreadRegisters& registers, ContextAmd64& context)
{
    context = ContextAmd64{};
    const user_regs_struct& r = registers.general;
    context.contextFlags = kContextAmd64Full;
    context.cs = static_cast<uint16_t>(r.cs);
    context.ds = static_cast<uint16_t>(r.ds);
    context.es = static_cast<uint16_t>(r.es);
    context.fs = static_cast<uint16_t>(r.fs);
    context.gs = static_cast<uint16_t>(r.gs);
    context.ss = static_cast<uint16_t>(r.ss);
    context.eflags = static_cast<uint32_t>(r.eflags);
    context.rax = r.rax;
    context.rcx = r.rcx;
    context.rdx = r.rdx;
    context.rbx = r.rbx;
    context.rsp = r.rsp;
    context.rbp = r.rbp;
    context.rsi = r.rsi;
    context.rdi = r.rdi;
    context.r8 = r.r8;
    context.r9 = r.r9;
    context.r10 = r.r10;
    context.r11 = r.r11;
    context.r12 = r.r12;
    context.r13 = r.r13;
    context.r14 = r.r14;
    context.r15 = r.r15;
    context.rip = r.rip;
    static_assert(sizeof(registers.floatingPoint) == sizeof(context.floatSave), "FXSAVE image");
    __builtin_memcpy(context.floatSave, &registers.floatingPoint, sizeof(context.floatSave));
    context.mxCsr = registers.floatingPoint.mxcsr;
}

void snapshotThreads(const CrashInfo& crash, ThreadSnapshot& snapshot)
{
    scratch->threads[0] = ThreadRecord{};
    scratch->threads[0].tid = crash.tid;
    scratch->threads[0].registers = crash.registers;
    scratch->threadCount = 1 + snapshot.take(scratch->threads + 1, kMaxThreads - 1);
}

// The mapping of the stack that `sp` points into. After a stack overflow the stack pointer
// has already moved below the stack's lowest page, so the mapping just above counts too.
const Mapping* stackMapping(uint64_t sp)
{
    const Mapping* found = findMapping(scratch->mappings, scratch->mappingCount, sp);
    for (size_t i = 0; !found && i < scratch->mappingCount; ++i) {
        const Mapping& above = scratch->mappings[i];
        if (above.start > sp && above.start - sp < kStackCapture)
            found = &above;
    }
    return found && found->readable ? found : nullptr;
}

// Stacks, register sets and the thread list; returns where the crashing thread's registers are.
LocationDescriptor writeThreads(DumpFile& file)
{
    LocationDescriptor crashContext{0, 0};
    scratch->stackCount = 0;
    for (size_t i = 0; i < scratch->threadCount; ++i) {
        const ThreadRecord& record = scratch->threads[i];
        Minidump::Thread& entry = scratch->threadEntries[i];
        entry = Minidump::Thread{};
        entry.threadId = static_cast<uint32_t>(record.tid);
        if (!record.registers.valid)
            continue;
        const uint64_t sp = record.registers.general.rsp;
        const Mapping* stack = stackMapping(sp);
        if (stack) {
            uint64_t from = (sp - kRedZone) & ~(pageSize - 1);
            if (from < stack->start)
                from = stack->start;
            const uint64_t to = stack->end - from > kStackCapture ? from + kStackCapture : stack->end;
            file.alignTo8();
            const uint64_t rva = file.appendMemory(from, to - from);
            entry.stack = MemoryDescriptor{from, {static_cast<uint32_t>(to - from), static_cast<uint32_t>(rva)}};
            scratch->stacks[scratch->stackCount++] = entry.stack;
        }
        ContextAmd64 context;
        toContext(record.registers, context);
        entry.threadContext = file.appendRecord(&context, sizeof(context));
        if (i == 0)
            crashContext = entry.threadContext;
    }
    const uint32_t count = static_cast<uint32_t>(scratch->threadCount);
    const uint32_t rva = file.append(&count, sizeof(count));
    file.appendMore(scratch->threadEntries, scratch->threadCount * sizeof(Minidump::Thread));
    addStream(kThreadListStream, {static_cast<uint32_t>(file.position() - rva), rva});
    return crashContext;
}

void writeException(DumpFile& file, const CrashInfo& crash, LocationDescriptor context)
{
    ExceptionStream stream{};
    stream.threadId = static_cast<uint32_t>(crash.tid);
    stream.exceptionRecord.exceptionCode = static_cast<uint32_t>(crash.signalNumber);
    stream.exceptionRecord.exceptionFlags = static_cast<uint32_t>(crash.signalCode);
    stream.exceptionRecord.exceptionAddress = crash.faultAddress;
    stream.threadContext = context;
    addStream(kExceptionStream, file.appendRecord(&stream, sizeof(stream)));
}

void writeSystemInfo(DumpFile& file)
{
    SystemInfo info = systemInfo;
    info.csdVersionRva = file.appendString(osDescription, textLength(osDescription));
    addStream(kSystemInfoStream, file.appendRecord(&info, sizeof(info)));
}

void writeBreakpadInfo(DumpFile& file, pid_t crashingThread)
{
    const BreakpadInfo info{kBreakpadInfoDumpThreadValid | kBreakpadInfoRequestingThreadValid,
                            static_cast<uint32_t>(crashingThread), static_cast<uint32_t>(crashingThread)};
    addStream(kBreakpadInfoStream, file.appendRecord(&info, sizeof(info)));
}

bool endsWith(const Mapping& mapping, const char* suffix)
{
    const size_t length = textLength(suffix);
    if (mapping.nameLength < length)
        return false;
    const char* tail = mapping.name + mapping.nameLength - length;
    for (size_t i = 0; i < length; ++i) {
        if (tail[i] != suffix[i])
            return false;
    }
    return true;
}

bool isDevice(const Mapping& mapping)
{
    static const char prefix[] = "/dev/";
    if (mapping.nameLength < sizeof(prefix) - 1)
        return false;
    for (size_t i = 0; i + 1 < sizeof(prefix); ++i) {
        if (mapping.name[i] != prefix[i])
            return false;
    }
    return true;
}

bool hasPropertiesDocument(const Mapping& library)
{
    if (!endsWith(library, ".so") || library.nameLength + 2 >= kPathCapacity)
        return false;
    FixedText path(scratch->path, kPathCapacity);
    path.append(library.name, library.nameLength - 3).append(".xml");
    return access(path.data(), F_OK) == 0;
}

// Libraries and executables: a file's mappings that follow one another, from the one that
// maps its first byte, when one of them holds code.
void findModules()
{
    scratch->moduleCount = 0;
    const size_t count = scratch->mappingCount;
    for (size_t i = 0; i < count && scratch->moduleCount < kMaxModules; ++i) {
        const Mapping& first = scratch->mappings[i];
        if (!first.isFile() || first.offset != 0)
            continue;
        size_t last = i;
        bool code = first.executable;
        while (last + 1 < count && scratch->mappings[last + 1].sameFileAs(first)
               && scratch->mappings[last + 1].start == scratch->mappings[last].end) {
            ++last;
            code = code || scratch->mappings[last].executable;
        }
        if (!code || isDevice(first))
            continue;
        ModuleEntry& module = scratch->modules[scratch->moduleCount++];
        module.base = first.start;
        module.size = scratch->mappings[last].end - first.start;
        module.first = &first;
        module.isPlugin = hasPropertiesDocument(first);
        i = last;
    }
}

void writeModules(DumpFile& file)
{
    struct CodeView
    {
        uint32_t signature;
        uint8_t buildId[kMaxBuildIdSize];
    } codeView;
    for (size_t i = 0; i < scratch->moduleCount; ++i) {
        const ModuleEntry& module = scratch->modules[i];
        Minidump::Module& entry = scratch->moduleEntries[i];
        entry = Minidump::Module{};
        entry.baseOfImage = module.base;
        entry.sizeOfImage = static_cast<uint32_t>(module.size);
        entry.moduleNameRva = file.appendString(module.first->name, module.first->nameLength);
        codeView.signature = kCodeViewElfSignature;
        const size_t idSize = readMappedBuildId(module.base, codeView.buildId, sizeof(codeView.buildId));
        if (idSize)
            entry.cvRecord = file.appendRecord(&codeView, sizeof(codeView.signature) + idSize);
    }
    const uint32_t count = static_cast<uint32_t>(scratch->moduleCount);
    const uint32_t rva = file.append(&count, sizeof(count));
    file.appendMore(scratch->moduleEntries, scratch->moduleCount * sizeof(Minidump::Module));
    addStream(kModuleListStream, {static_cast<uint32_t>(file.position() - rva), rva});
}

void writePluginList(DumpFile& file)
{
    uint64_t start = 0;
    bool any = false;
    static const char newline = '\n';
    for (size_t i = 0; i < scratch->moduleCount; ++i) {
        const ModuleEntry& module = scratch->modules[i];
        if (!module.isPlugin)
            continue;
        if (!any)
            start = file.append(module.first->name, module.first->nameLength);
        else
            file.appendMore(module.first->name, module.first->nameLength);
        file.appendMore(&newline, 1);
        any = true;
    }
    if (any)
        addStream(kMovraPluginListStream, {static_cast<uint32_t>(file.position() - start), static_cast<uint32_t>(start)});
}

void findCrashedPlugin(uint64_t instruction)
{
    scratch->hasCrashedPlugin = false;
    for (size_t i = 0; i < scratch->moduleCount; ++i) {
        const ModuleEntry& module = scratch->modules[i];
        if (instruction < module.base || instruction - module.base >= module.size)
            continue;
        if (module.isPlugin && module.first->nameLength < kPathCapacity) {
            FixedText(scratch->crashedPlugin, kPathCapacity).append(module.first->name, module.first->nameLength);
            scratch->hasCrashedPlugin = true;
        }
        return;
    }
}

void writeProcFiles(DumpFile& file)
{
    addStream(kLinuxMapsStream, file.appendRecord(scratch->maps, scratch->mapsSize));
    addStream(kLinuxProcStatusStream, file.appendFileContents("/proc/self/status"));
    addStream(kLinuxCmdLineStream, file.appendFileContents("/proc/self/cmdline"));
    addStream(kLinuxAuxvStream, file.appendFileContents("/proc/self/auxv"));
    addStream(kLinuxCpuInfoStream, file.appendFileContents("/proc/cpuinfo"));
}

void writeStackList(DumpFile& file)
{
    const uint32_t count = static_cast<uint32_t>(scratch->stackCount);
    const uint32_t rva = file.append(&count, sizeof(count));
    file.appendMore(scratch->stacks, scratch->stackCount * sizeof(MemoryDescriptor));
    addStream(kMemoryListStream, {static_cast<uint32_t>(file.position() - rva), rva});
}

bool inFullDump(const Mapping& mapping)
{
    const uint64_t ownStart = reinterpret_cast<uint64_t>(scratch);
    const uint64_t ownEnd = ownStart + sizeof(Scratch);
    if (!mapping.readable || !mapping.isPrivate || (mapping.start < ownEnd && mapping.end > ownStart))
        return false;
    // Kernel-provided pages that fault or mean nothing outside this process, and devices,
    // where reading may have effects.
    if (mapping.nameIs("[vvar]") || mapping.nameIs("[vsyscall]"))
        return false;
    return !isDevice(mapping);
}

// Last in the file: its ranges may take the file past what 32-bit offsets reach.
void writeFullMemory(DumpFile& file)
{
    size_t count = 0;
    for (size_t i = 0; i < scratch->mappingCount; ++i) {
        const Mapping& mapping = scratch->mappings[i];
        if (inFullDump(mapping))
            scratch->fullMemory[count++] = MemoryDescriptor64{mapping.start, mapping.end - mapping.start};
    }
    Memory64ListHeader header{count, 0};
    const size_t listSize = sizeof(header) + count * sizeof(MemoryDescriptor64);
    // The list is followed directly by the bytes, so where they begin is known in advance.
    const uint64_t listStart = (file.position() + 7) & ~uint64_t(7);
    header.baseRva = listStart + listSize;
    const uint32_t rva = file.append(&header, sizeof(header));
    file.appendMore(scratch->fullMemory, count * sizeof(MemoryDescriptor64));
    addStream(kMemory64ListStream, {static_cast<uint32_t>(listSize), rva});
    for (size_t i = 0; i < count; ++i)
        file.appendMemory(scratch->fullMemory[i].startOfMemoryRange, scratch->fullMemory[i].dataSize);
}

} // namespace

void crashInfoFromSignal(int signalNumber, const siginfo_t* info, const ucontext_t* context, CrashInfo& out)
{
    out.signalNumber = signalNumber;
    out.signalCode = info ? info->si_code : 0;
    out.faultAddress = info ? reinterpret_cast<uint64_t>(info->si_addr) : 0;
    out.tid = currentThreadId();
    out.registers = ThreadRegisters{};
    if (!context)
        return;
    const greg_t* g = context->uc_mcontext.gregs;
    user_regs_struct& r = out.registers.general;
    r.r8 = g[REG_R8], r.r9 = g[REG_R9], r.r10 = g[REG_R10], r.r11 = g[REG_R11];
    r.r12 = g[REG_R12], r.r13 = g[REG_R13], r.r14 = g[REG_R14], r.r15 = g[REG_R15];
    r.rdi = g[REG_RDI], r.rsi = g[REG_RSI], r.rbp = g[REG_RBP], r.rbx = g[REG_RBX];
    r.rdx = g[REG_RDX], r.rax = g[REG_RAX], r.rcx = g[REG_RCX], r.rsp = g[REG_RSP];
    r.rip = g[REG_RIP];
    r.eflags = g[REG_EFL];
    // cs, gs, fs and ss share one field, 16 bits each.
    const uint64_t segments = static_cast<uint64_t>(g[REG_CSGSFS]);
    r.cs = segments & 0xffff;
    r.gs = (segments >> 16) & 0xffff;
    r.fs = (segments >> 32) & 0xffff;
    r.ss = (segments >> 48) & 0xffff;
    if (context->uc_mcontext.fpregs) {
        static_assert(sizeof(*context->uc_mcontext.fpregs) == sizeof(out.registers.floatingPoint), "FXSAVE image");
        __builtin_memcpy(&out.registers.floatingPoint, context->uc_mcontext.fpregs, sizeof(out.registers.floatingPoint));
    }
    out.registers.valid = true;
}

bool MinidumpWriter::prepare()
{
    if (scratch)
        return true;
    pageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    describeSystem();
    // Reserved, not committed: the pages cost nothing until a crash writes to them.
    void* memory = mmap(nullptr, sizeof(Scratch), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED)
        return false;
    scratch = static_cast<Scratch*>(memory);
    return true;
}

bool MinidumpWriter::isPrepared()
{
    return scratch != nullptr;
}

bool MinidumpWriter::write(int fd, const CrashInfo& crash, bool fullMemory, bool keepThreadsStopped)
{
    if (!scratch)
        return false;
    scratch->streamCount = 0;
    scratch->hasCrashedPlugin = false;
    DumpFile file(fd, scratch->copyBuffer, kCopyBufferSize, pageSize);
    Header header{kSignature, kVersion, 0, sizeof(Header), 0, 0, 0};
    file.append(&header, sizeof(header));
    file.append(scratch->directory, sizeof(scratch->directory));

    // The other threads stay stopped at least until their stacks are written.
    ThreadSnapshot snapshot;
    snapshotThreads(crash, snapshot);
    readMaps();
    findModules();
    findCrashedPlugin(crash.registers.general.rip);

    writeSystemInfo(file);
    writeBreakpadInfo(file, crash.tid);
    const LocationDescriptor crashContext = writeThreads(file);
    writeException(file, crash, crashContext);
    writeModules(file);
    writePluginList(file);
    writeProcFiles(file);
    writeStackList(file);
    if (fullMemory)
        writeFullMemory(file);
    // Kept: the helper holds the threads until the last descriptor of its command pipe,
    // ours, goes with the process.
    if (!keepThreadsStopped)
        snapshot.release();

    header.streamCount = static_cast<uint32_t>(scratch->streamCount);
    header.timeDateStamp = static_cast<uint32_t>(time(nullptr));
    file.writeAt(0, &header, sizeof(header));
    file.writeAt(sizeof(Header), scratch->directory, sizeof(scratch->directory));
    return file.ok();
}

const char* MinidumpWriter::crashedPlugin()
{
    return scratch && scratch->hasCrashedPlugin ? scratch->crashedPlugin : nullptr;
}

} // namespace MovraPlatform
