#include "platform/elfbuildid.h"

#include <elf.h>
#include <sys/uio.h>
#include <unistd.h>

namespace MovraPlatform {

namespace {

constexpr size_t kMaxProgramHeaders = 64;
constexpr size_t kMaxNoteBytes = 4096;

bool readOwnMemory(uint64_t address, void* out, size_t size)
{
    iovec local{out, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(size);
}

size_t buildIdInNotes(const uint8_t* notes, size_t size, uint8_t* out, size_t capacity)
{
    size_t at = 0;
    while (at + sizeof(Elf64_Nhdr) <= size) {
        Elf64_Nhdr header;
        __builtin_memcpy(&header, notes + at, sizeof(header));
        const size_t name = at + sizeof(header);
        const size_t descriptor = name + ((header.n_namesz + 3) & ~size_t(3));
        const size_t next = descriptor + ((header.n_descsz + 3) & ~size_t(3));
        if (next > size || next <= at)
            return 0;
        if (header.n_type == NT_GNU_BUILD_ID && header.n_namesz == 4 && notes[name] == 'G' && notes[name + 1] == 'N'
            && notes[name + 2] == 'U' && notes[name + 3] == '\0' && header.n_descsz <= capacity) {
            __builtin_memcpy(out, notes + descriptor, header.n_descsz);
            return header.n_descsz;
        }
        at = next;
    }
    return 0;
}

} // namespace

size_t readMappedBuildId(uint64_t imageStart, uint8_t* out, size_t capacity)
{
    Elf64_Ehdr header;
    if (!readOwnMemory(imageStart, &header, sizeof(header)) || header.e_ident[EI_MAG0] != ELFMAG0
        || header.e_ident[EI_MAG1] != ELFMAG1 || header.e_ident[EI_MAG2] != ELFMAG2
        || header.e_ident[EI_MAG3] != ELFMAG3 || header.e_ident[EI_CLASS] != ELFCLASS64
        || header.e_phentsize != sizeof(Elf64_Phdr) || header.e_phnum == 0 || header.e_phnum > kMaxProgramHeaders)
        return 0;
    Elf64_Phdr programHeaders[kMaxProgramHeaders];
    if (!readOwnMemory(imageStart + header.e_phoff, programHeaders, header.e_phnum * sizeof(Elf64_Phdr)))
        return 0;
    // Addresses in the headers are relative to the image's link address; the segment that
    // holds the file's first byte tells how far it was moved.
    bool found = false;
    uint64_t bias = 0;
    for (size_t i = 0; i < header.e_phnum && !found; ++i) {
        if (programHeaders[i].p_type == PT_LOAD && programHeaders[i].p_offset == 0) {
            bias = imageStart - programHeaders[i].p_vaddr;
            found = true;
        }
    }
    if (!found)
        return 0;
    uint8_t notes[kMaxNoteBytes];
    for (size_t i = 0; i < header.e_phnum; ++i) {
        const Elf64_Phdr& segment = programHeaders[i];
        if (segment.p_type != PT_NOTE)
            continue;
        const size_t size = segment.p_filesz < kMaxNoteBytes ? static_cast<size_t>(segment.p_filesz) : kMaxNoteBytes;
        if (!readOwnMemory(bias + segment.p_vaddr, notes, size))
            continue;
        const size_t length = buildIdInNotes(notes, size, out, capacity);
        if (length)
            return length;
    }
    return 0;
}

} // namespace MovraPlatform
