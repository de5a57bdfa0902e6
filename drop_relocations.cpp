// Each of our shared libraries gives back the pages of its relocation entries once it is relocated.
// The loader reads them once, at load, and never again, yet as file-backed pages they would stay
// resident for the life of the process: tens of KiB per library where relocations cannot be packed
// (the portable wheels, see CMakeLists.txt). Compiled into every library by
// varnex2_lean_shared_library; each library drops only its own pages.
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <utility>

#ifndef DT_RELR  // packed relative relocations, unknown to older C library headers
#define DT_RELRSZ 35
#define DT_RELR 36
#endif

// All of it runs once, at load: it is kept with the other start-up code (cold, see section_order.ld),
// so that it adds no page of its own to those touched at load, and compiled without jump tables,
// whose read-only data would.
#define COLD __attribute__((cold))

namespace {

using Addr = std::uintptr_t;

struct Span {
  Addr begin = 0, end = 0;
};

struct Tables {
  Span spans[4];  // RELA, REL, RELR, and the PLT's when bound at load
  int count = 0;
  COLD void add(Addr base, Addr at, Addr size) {
    if (!at || !size) return;
    // glibc makes the addresses of the dynamic section absolute when it loads a library; other
    // loaders leave them relative to the load address, which is always the larger.
    Addr begin = at >= base ? at : base + at;
    spans[count++] = {begin, begin + size};
  }
};

COLD const ElfW(Phdr) * segmentOf(const dl_phdr_info& info, Addr address, ElfW(Word) type) {
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& p = info.dlpi_phdr[i];
    Addr start = info.dlpi_addr + p.p_vaddr;
    if (p.p_type == type && address >= start && address - start < p.p_memsz) return &p;
  }
  return nullptr;
}

// Whole pages only, and only those of a segment that the loader never writes: a writable or
// read-only-after-relocation page is a private copy whose contents would be lost.
COLD void dropPages(const dl_phdr_info& info, Span s) {
  const Addr page = static_cast<Addr>(sysconf(_SC_PAGESIZE));
  const Addr begin = (s.begin + page - 1) & ~(page - 1), end = s.end & ~(page - 1);
  if (begin >= end) return;
  const ElfW(Phdr)* load = segmentOf(info, begin, PT_LOAD);
  if (!load || (load->p_flags & PF_W) || end - info.dlpi_addr > load->p_vaddr + load->p_memsz) return;
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& p = info.dlpi_phdr[i];
    Addr start = info.dlpi_addr + p.p_vaddr;
    if (p.p_type == PT_GNU_RELRO && start < end && begin < start + p.p_memsz) return;
  }
  // Advice of random access first: it gives the range a mapping of its own, so that a later fault
  // on a page nearby, which maps the neighbouring cached pages of its mapping too, leaves these out.
  void* at = reinterpret_cast<void*>(begin);
  madvise(at, end - begin, MADV_RANDOM);
  madvise(at, end - begin, MADV_DONTNEED);
}

COLD int dropOwnRelocations(dl_phdr_info* info, size_t, void*) {
  if (!segmentOf(*info, reinterpret_cast<Addr>(&dropOwnRelocations), PT_LOAD)) return 0;  // not this library
  const ElfW(Dyn)* dyn = nullptr;
  for (int i = 0; i < info->dlpi_phnum; ++i)
    if (info->dlpi_phdr[i].p_type == PT_DYNAMIC)
      dyn = reinterpret_cast<const ElfW(Dyn)*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
  if (!dyn) return 1;
  Addr rela = 0, relaSize = 0, rel = 0, relSize = 0, relr = 0, relrSize = 0, plt = 0, pltSize = 0;
  bool boundAtLoad = false, textRelocations = false;
  for (; dyn->d_tag != DT_NULL; ++dyn) {
    const Addr v = dyn->d_un.d_val;
    switch (dyn->d_tag) {
      case DT_RELA: rela = v; break;
      case DT_RELASZ: relaSize = v; break;
      case DT_REL: rel = v; break;
      case DT_RELSZ: relSize = v; break;
      case DT_RELR: relr = v; break;
      case DT_RELRSZ: relrSize = v; break;
      case DT_JMPREL: plt = v; break;
      case DT_PLTRELSZ: pltSize = v; break;
      case DT_BIND_NOW: boundAtLoad = true; break;
      case DT_TEXTREL: textRelocations = true; break;
      case DT_FLAGS:
        boundAtLoad |= (v & DF_BIND_NOW) != 0;
        textRelocations |= (v & DF_TEXTREL) != 0;
        break;
      case DT_FLAGS_1: boundAtLoad |= (v & DF_1_NOW) != 0; break;
      default: break;
    }
  }
  if (textRelocations) return 1;  // code relocated in place: its pages are private copies
  Tables t;
  t.add(info->dlpi_addr, rela, relaSize);
  t.add(info->dlpi_addr, rel, relSize);
  t.add(info->dlpi_addr, relr, relrSize);
  if (boundAtLoad) t.add(info->dlpi_addr, plt, pltSize);  // else read again by each first call
  // Adjacent tables (the PLT's follows the others) make one range, so the page between them goes too.
  for (int i = 1; i < t.count; ++i)
    for (int j = i; j > 0 && t.spans[j].begin < t.spans[j - 1].begin; --j) std::swap(t.spans[j], t.spans[j - 1]);
  Span run = t.spans[0];
  for (int i = 1; i < t.count; ++i) {
    if (t.spans[i].begin <= run.end) {
      if (t.spans[i].end > run.end) run.end = t.spans[i].end;
    } else {
      dropPages(*info, run);
      run = t.spans[i];
    }
  }
  if (t.count) dropPages(*info, run);
  return 1;
}

// Constructors run after the loader has relocated every library it loaded with this one.
__attribute__((constructor)) COLD void dropRelocationPages() { dl_iterate_phdr(dropOwnRelocations, nullptr); }

}  // namespace
