// Guards between SDL 2.26's Wayland keyboard code and xkbcommon. SDL asks
// xkbcommon about a keyboard before it knows all of it: when a keyboard joins
// the seat with keys already held (an on-screen keyboard, a remote desktop, a
// keyboard plugged in), the keys arrive before the keyboard's first modifier
// state, which carries the layout in use, and SDL looks each key up in the
// layout XKB_LAYOUT_INVALID. xkbcommon folds that into the layout past the
// key's last one and reads beyond the key's layouts, which kills the game
// with SIGSEGV more often than not. A keyboard whose keymap never arrives (a
// compositor may send none) leaves SDL with no keymap and no state, which it
// hands on to xkbcommon just as it is.
//
// The program's own definitions of these functions take the place of
// xkbcommon's for SDL, which links xkbcommon directly: each answers for the
// missing keymap or state as xkbcommon would for a key without symbols or an
// unchanged state, looks an unknown layout up in the first one (where every
// keyboard starts), and otherwise calls xkbcommon's own function. With an SDL
// that no longer makes such calls, the guards only pass the calls on.
#include <dlfcn.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// xkbcommon's own definition of the function Name, the next after the program's.
template <typename Function>
Function* Xkbcommon(Function*, const char* Name) {
  return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, Name));
}

}  // namespace

extern "C" {

int xkb_keymap_key_get_syms_by_level(xkb_keymap* Keymap, xkb_keycode_t Key, xkb_layout_index_t Layout,
                                     xkb_level_index_t Level, const xkb_keysym_t** Symbols) {
  static auto* const Real = Xkbcommon(&xkb_keymap_key_get_syms_by_level, "xkb_keymap_key_get_syms_by_level");
  if (!Keymap || !Real) {
    *Symbols = nullptr;
    return 0;
  }
  return Real(Keymap, Key, Layout == XKB_LAYOUT_INVALID ? 0 : Layout, Level, Symbols);
}

xkb_state_component xkb_state_update_mask(xkb_state* State, xkb_mod_mask_t Depressed_Mods, xkb_mod_mask_t Latched_Mods,
                                          xkb_mod_mask_t Locked_Mods, xkb_layout_index_t Depressed_Layout,
                                          xkb_layout_index_t Latched_Layout, xkb_layout_index_t Locked_Layout) {
  static auto* const Real = Xkbcommon(&xkb_state_update_mask, "xkb_state_update_mask");
  if (!State || !Real) return static_cast<xkb_state_component>(0);
  return Real(State, Depressed_Mods, Latched_Mods, Locked_Mods, Depressed_Layout, Latched_Layout, Locked_Layout);
}

void xkb_keymap_key_for_each(xkb_keymap* Keymap, xkb_keymap_key_iter_t Visit, void* Data) {
  static auto* const Real = Xkbcommon(&xkb_keymap_key_for_each, "xkb_keymap_key_for_each");
  if (Keymap && Real) Real(Keymap, Visit, Data);
}

}  // extern "C"
