#include "apps/render/ElfCheck.h"

#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace render {

namespace {

bool ReadAt(int fd, uint64_t offset, void* out, size_t n)
{
  return pread(fd, out, n, static_cast<off_t>(offset)) == static_cast<ssize_t>(n);
}

// Without overflow: offset + size <= fileSize.
bool Within(uint64_t offset, uint64_t size, uint64_t fileSize)
{
  return offset <= fileSize && size <= fileSize - offset;
}

bool Check(int fd, std::string& reason)
{
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
  {
    reason = "it is not a file";
    return false;
  }
  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  Elf64_Ehdr eh{};
  if (!ReadAt(fd, 0, &eh, sizeof eh) || std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0)
  {
    reason = "it is no ELF shared object";
    return false;
  }
  if (eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_ident[EI_DATA] != ELFDATA2LSB || eh.e_machine != EM_X86_64 ||
      eh.e_type != ET_DYN)
  {
    reason = "it is no 64-bit x86-64 shared object";
    return false;
  }
  if (eh.e_phentsize != sizeof(Elf64_Phdr) || eh.e_phnum == 0 || eh.e_phnum == PN_XNUM ||
      !Within(eh.e_phoff, uint64_t(eh.e_phnum) * sizeof(Elf64_Phdr), fileSize))
  {
    reason = "its program headers are missing or lie past its end";
    return false;
  }
  std::vector<Elf64_Phdr> headers(eh.e_phnum);
  if (!ReadAt(fd, eh.e_phoff, headers.data(), headers.size() * sizeof(Elf64_Phdr)))
  {
    reason = "its program headers cannot be read";
    return false;
  }
  for (const Elf64_Phdr& ph : headers)
  {
    if (!Within(ph.p_offset, ph.p_filesz, fileSize) || (ph.p_type == PT_LOAD && ph.p_filesz > ph.p_memsz))
    {
      reason = "it is cut short: a segment reaches byte " + std::to_string(ph.p_offset + ph.p_filesz) + " of " +
               std::to_string(fileSize);
      return false;
    }
  }
  return true;
}

} // namespace

bool CheckSharedObject(const std::string& path, std::string& reason)
{
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
  {
    reason = std::strerror(errno);
    return false;
  }
  const bool ok = Check(fd, reason);
  close(fd);
  return ok;
}

} // namespace render
