// The program's allocator: mimalloc in place of the C library's malloc.
//
// A run at the record limit holds some 490,000 field values, most of them
// small allocations, and touches some 80 MB of fresh memory. With the C
// library's allocator a fifth of such a run went into the kernel, mapping
// and clearing that memory 4 KiB at a time. mimalloc serves small
// allocations faster and, with large OS pages, asks the kernel for memory
// in 2 MiB pages where the system allows them (transparent huge pages); where
// it does not, nothing changes but the allocator.
//
// Linking the library replaces malloc and operator new for the whole
// program; this file only chooses the large pages.
#include <mimalloc.h>

namespace {

void ChooseLargePages() {
    mi_option_enable(mi_option_large_os_pages);
}

// The choice must be made before the first allocation: memory the allocator
// has taken from the system keeps its page size. The shared libraries'
// initializers (Qt's among them) allocate before any of the program's own
// initializers run, so the choice is made where the program's loader runs
// functions before those of every library (only the libraries' relocation,
// which allocates nothing, comes earlier).
[[gnu::section(".preinit_array"), gnu::used]] void (*const kChooseLargePages)() = &ChooseLargePages;

}  // namespace
