// Guards between SDL's Wayland keyboard code and xkbcommon. SDL asks
// xkbcommon about a keyboard before it knows all of it: when a keyboard joins
// the seat with keys already held (an on-screen keyboard, a remote desktop, a
// keyboard plugged in), the keys arrive before the keyboard's first modifier
// state, which carries the layout in use, and SDL looks each key of a keyboard
// whose layout has no name (a virtual one) up in the layout
// XKB_LAYOUT_INVALID. xkbcommon (1.5 and 1.7 alike) folds that into the layout
// past the key's last one when the key has one layout, and reads beyond the
// key's layouts, which kills the game with SIGSEGV more often than not. Every
// SDL 2 from 2.26 to 2.32 makes that call, the first time a keyboard comes
// after SDL_Init. The older ones (2.26 among them) also hand on to xkbcommon
// the keymap and state of a keyboard whose keymap never arrived (a compositor
// may send none): null pointers.
//
// Each guard answers for the missing keymap or state as xkbcommon would for a
// key without symbols or an unchanged state, looks an unknown layout up in the
// first one (where every keyboard starts), and otherwise calls xkbcommon's own
// function. SDL reaches the guards by one of two roads, as it was built:
//   - linked to xkbcommon (Debian's build): the program's own definitions of
//     these functions take the place of xkbcommon's for every library, SDL's
//     calls included;
//   - loading xkbcommon itself (upstream's default): SDL looks each function up
//     in the library's own handle, past the program's definitions, and keeps
//     what it found in a pointer of its own writable data, which it then calls.
//     After each SDL_Init, every such pointer of SDL's that holds one of these
//     three functions is pointed at its guard instead; SDL_Quit clears them.
// No other word of SDL's writable data holds the address of one of these
// functions of xkbcommon's, so nothing else changes.
#include "graphics/backend/sdl/xkb_guard.h"

#include <dlfcn.h>
#include <link.h>
#include <xkbcommon/xkbcommon.h>

#include <atomic>

namespace {

enum Guarded_Index { Syms_By_Level, Update_Mask, Key_For_Each };

struct Guarded_Function {
  const char* Name;
  void* Guard;
  std::atomic<void*> Real;  // xkbcommon's own, looked up again after each SDL_Init
};

Guarded_Function Guarded[] = {
    {"xkb_keymap_key_get_syms_by_level", reinterpret_cast<void*>(&xkb_keymap_key_get_syms_by_level), nullptr},
    {"xkb_state_update_mask", reinterpret_cast<void*>(&xkb_state_update_mask), nullptr},
    {"xkb_keymap_key_for_each", reinterpret_cast<void*>(&xkb_keymap_key_for_each), nullptr},
};

std::atomic<uint32_t> Mended_Calls{0};

// xkbcommon's own definition of Name, looked up in the library's own handle:
// that finds it past the program's definition, and in a library SDL loaded
// out of the program's sight.
void* Look_Up_In_Xkbcommon(const char* Name) {
  void* Library = dlopen("libxkbcommon.so.0", RTLD_LAZY | RTLD_NOLOAD);
  if (!Library) return nullptr;
  void* Function = dlsym(Library, Name);
  dlclose(Library);  // only the reference RTLD_NOLOAD took; whoever loaded it keeps theirs
  return Function;
}

template <typename Function>
Function* Real(Guarded_Index Index) {
  void* Found = Guarded[Index].Real.load(std::memory_order_acquire);
  if (!Found) {
    Found = Look_Up_In_Xkbcommon(Guarded[Index].Name);
    Guarded[Index].Real.store(Found, std::memory_order_release);
  }
  return reinterpret_cast<Function*>(Found);
}

void Count_Mended() { Mended_Calls.fetch_add(1, std::memory_order_relaxed); }

// Points SDL's own pointers to xkbcommon's guarded functions at their guards,
// in the writable segments of the object that holds Sdl_Function (not in its
// RELRO part, which is read-only by now and holds no such pointer).
int Point_At_Guards(dl_phdr_info* Object, size_t, void* Sdl_Function) {
  const auto Address = reinterpret_cast<ElfW(Addr)>(Sdl_Function);
  bool Holds_Sdl = false;
  ElfW(Addr) Relro_Start = 0, Relro_End = 0;
  for (ElfW(Half) I = 0; I < Object->dlpi_phnum; ++I) {
    const ElfW(Phdr)& Segment = Object->dlpi_phdr[I];
    const ElfW(Addr) Start = Object->dlpi_addr + Segment.p_vaddr, End = Start + Segment.p_memsz;
    if (Segment.p_type == PT_LOAD && Address >= Start && Address < End) Holds_Sdl = true;
    if (Segment.p_type == PT_GNU_RELRO) Relro_Start = Start, Relro_End = End;
  }
  if (!Holds_Sdl) return 0;
  for (ElfW(Half) I = 0; I < Object->dlpi_phnum; ++I) {
    const ElfW(Phdr)& Segment = Object->dlpi_phdr[I];
    if (Segment.p_type != PT_LOAD || !(Segment.p_flags & PF_W)) continue;
    const ElfW(Addr) Start = Object->dlpi_addr + Segment.p_vaddr, End = Start + Segment.p_memsz;
    for (ElfW(Addr) At = (Start + sizeof(void*) - 1) & ~(sizeof(void*) - 1); At + sizeof(void*) <= End;
         At += sizeof(void*)) {
      if (At >= Relro_Start && At < Relro_End) continue;
      void*& Word = *reinterpret_cast<void**>(At);
      for (Guarded_Function& Function : Guarded)
        if (Word && Word == Function.Real.load(std::memory_order_relaxed)) Word = Function.Guard;
    }
  }
  return 1;
}

}  // namespace

void Guard_Sdl_Xkbcommon() {
  // A library SDL loads itself goes with SDL_Quit and may come back elsewhere.
  for (Guarded_Function& Function : Guarded)
    Function.Real.store(Look_Up_In_Xkbcommon(Function.Name), std::memory_order_release);
  // SDL's library is the one that defines SDL_Init.
  void* Sdl_Function = dlsym(RTLD_DEFAULT, "SDL_Init");
  if (Sdl_Function && Guarded[Syms_By_Level].Real.load(std::memory_order_acquire))
    dl_iterate_phdr(Point_At_Guards, Sdl_Function);
}

uint32_t Xkb_Guard_Mended_Calls() { return Mended_Calls.load(std::memory_order_relaxed); }

extern "C" {

int xkb_keymap_key_get_syms_by_level(xkb_keymap* Keymap, xkb_keycode_t Key, xkb_layout_index_t Layout,
                                     xkb_level_index_t Level, const xkb_keysym_t** Symbols) {
  auto* const Xkbcommon = Real<decltype(xkb_keymap_key_get_syms_by_level)>(Syms_By_Level);
  if (!Keymap || Layout == XKB_LAYOUT_INVALID) Count_Mended();
  if (!Keymap || !Xkbcommon) {
    *Symbols = nullptr;
    return 0;
  }
  return Xkbcommon(Keymap, Key, Layout == XKB_LAYOUT_INVALID ? 0 : Layout, Level, Symbols);
}

xkb_state_component xkb_state_update_mask(xkb_state* State, xkb_mod_mask_t Depressed_Mods, xkb_mod_mask_t Latched_Mods,
                                          xkb_mod_mask_t Locked_Mods, xkb_layout_index_t Depressed_Layout,
                                          xkb_layout_index_t Latched_Layout, xkb_layout_index_t Locked_Layout) {
  auto* const Xkbcommon = Real<decltype(xkb_state_update_mask)>(Update_Mask);
  if (!State) Count_Mended();
  if (!State || !Xkbcommon) return static_cast<xkb_state_component>(0);
  return Xkbcommon(State, Depressed_Mods, Latched_Mods, Locked_Mods, Depressed_Layout, Latched_Layout, Locked_Layout);
}

void xkb_keymap_key_for_each(xkb_keymap* Keymap, xkb_keymap_key_iter_t Visit, void* Data) {
  auto* const Xkbcommon = Real<decltype(xkb_keymap_key_for_each)>(Key_For_Each);
  if (!Keymap) Count_Mended();
  if (Keymap && Xkbcommon) Xkbcommon(Keymap, Visit, Data);
}

}  // extern "C"
