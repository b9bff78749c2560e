// Showing the window's picture on Wayland, on the window thread, in buffers
// of shared memory the compositor reads directly. SDL's own window surface
// on Wayland goes through an OpenGL renderer that draws and copies the whole
// window at every frame, several times the cost of the game itself; here only
// the rows that changed are copied and named to the compositor.
//
// Two buffers take turns, since the compositor may read the one it was given
// until it releases it. Each buffer keeps the rows it has not been given
// since they last changed, so that it is brought up to date when its turn
// comes. SDL still owns the window and its surface; only the buffers and
// what they show are made here.
#include <SDL_syswm.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstring>

#include "graphics/backend/sdl/sdl_backend.h"

namespace {

Wayland_Output& Output() { return The_State.Thread_Side.Wayland; }

void On_Global(void*, wl_registry* Registry, uint32_t Name, const char* Interface, uint32_t Version) {
  if (std::strcmp(Interface, wl_shm_interface.name) == 0)
    Output().Shm = static_cast<wl_shm*>(wl_registry_bind(Registry, Name, &wl_shm_interface, 1));
  else
    Wayland_Seat_Global(Registry, Name, Interface, Version);
}

void On_Global_Removed(void*, wl_registry*, uint32_t) {}

void On_Buffer_Released(void* Data, wl_buffer*) { static_cast<Shared_Buffer*>(Data)->Busy = false; }

const wl_buffer_listener Buffer_Listener = {On_Buffer_Released};

void Release_Buffer(Shared_Buffer& Buffer) {
  if (Buffer.Image) SDL_FreeSurface(Buffer.Image);
  if (Buffer.Buffer) wl_buffer_destroy(Buffer.Buffer);
  if (Buffer.Pixels) munmap(Buffer.Pixels, Buffer.Size);
  Buffer = {};
}

// A black buffer of the given size in shared memory, with every row still to be given.
bool Make_Buffer(Shared_Buffer& Buffer, int32_t Width, int32_t Height) {
  const int32_t Stride = Width * 4;
  const size_t Size = static_cast<size_t>(Stride) * static_cast<size_t>(Height);
  const int Fd = memfd_create("drovanel-window", MFD_CLOEXEC);
  if (Fd < 0) return false;
  void* Pixels = ftruncate(Fd, static_cast<off_t>(Size)) == 0
                     ? mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_SHARED, Fd, 0)
                     : MAP_FAILED;
  if (Pixels == MAP_FAILED) {
    close(Fd);
    return false;
  }
  wl_shm_pool* Pool = wl_shm_create_pool(Output().Shm, Fd, static_cast<int32_t>(Size));
  Buffer.Buffer = wl_shm_pool_create_buffer(Pool, 0, Width, Height, Stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(Pool);
  close(Fd);
  Buffer.Pixels = Pixels;
  Buffer.Size = Size;
  Buffer.Image = SDL_CreateRGBSurfaceWithFormatFrom(Pixels, Width, Height, 32, Stride, SDL_PIXELFORMAT_XRGB8888);
  Buffer.Stale_Rows.assign(static_cast<size_t>(Height), 1);
  Buffer.Busy = false;
  wl_buffer_add_listener(Buffer.Buffer, &Buffer_Listener, &Buffer);
  return Buffer.Image != nullptr;
}

// Gives the compositor Buffer, naming the rows marked in Rows as changed.
void Commit(Shared_Buffer& Buffer, const std::vector<uint8_t>& Rows) {
  wl_surface_attach(Output().Surface, Buffer.Buffer, 0, 0);
  const auto Height = static_cast<int32_t>(Rows.size());
  for (int32_t Y = 0; Y < Height;) {
    if (!Rows[static_cast<size_t>(Y)]) {
      ++Y;
      continue;
    }
    int32_t End = Y;
    while (End < Height && Rows[static_cast<size_t>(End)]) ++End;
    wl_surface_damage_buffer(Output().Surface, 0, Y, Buffer.Image->w, End - Y);
    Y = End;
  }
  wl_surface_commit(Output().Surface);
  wl_display_flush(Output().Display);
  Buffer.Busy = true;
}

// The two buffers at the given size, made anew when the window's size changed.
bool Buffers_Of_Size(int32_t Width, int32_t Height) {
  Wayland_Output& Out = Output();
  if (Out.Buffers[0].Image && Out.Buffers[0].Image->w == Width && Out.Buffers[0].Image->h == Height) return true;
  for (Shared_Buffer& Buffer : Out.Buffers) Release_Buffer(Buffer);
  Out.Unshown_Rows.assign(static_cast<size_t>(Height), 1);
  for (Shared_Buffer& Buffer : Out.Buffers)
    if (!Make_Buffer(Buffer, Width, Height)) return false;
  return true;
}

}  // namespace

bool Wayland_Output_Start(SDL_Window* Handle) {
  Wayland_Output& Out = Output();
  SDL_SysWMinfo Info;
  SDL_VERSION(&Info.version);
  if (!SDL_GetWindowWMInfo(Handle, &Info) || Info.subsystem != SDL_SYSWM_WAYLAND) return false;
  Out.Display = Info.info.wl.display;
  Out.Surface = Info.info.wl.surface;
  static const wl_registry_listener Listener = {On_Global, On_Global_Removed};
  Out.Registry = wl_display_get_registry(Out.Display);
  wl_registry_add_listener(Out.Registry, &Listener, nullptr);
  wl_display_roundtrip(Out.Display);
  wl_display_roundtrip(Out.Display);  // the seat's devices, and the keyboard's focus
  return Out.Shm != nullptr;
}

void Wayland_Output_Stop() {
  Wayland_Output& Out = Output();
  for (Shared_Buffer& Buffer : Out.Buffers) Release_Buffer(Buffer);
  Wayland_Seat_Stop();
  if (Out.Shm) wl_shm_destroy(Out.Shm);
  if (Out.Registry) wl_registry_destroy(Out.Registry);
  Out = {};
}

bool Wayland_Show(SDL_Surface& Picture, const std::vector<SDL_Rect>& Bands, bool Everything) {
  Wayland_Output& Out = Output();
  if (!Buffers_Of_Size(Picture.w, Picture.h)) return false;
  const size_t Height = static_cast<size_t>(Picture.h);
  const auto Mark = [&](std::vector<uint8_t>& Rows) {
    if (Everything) Rows.assign(Height, 1);
    for (const SDL_Rect& Band : Bands)
      std::fill_n(Rows.begin() + Band.y, Band.h, uint8_t{1});
  };
  Mark(Out.Unshown_Rows);
  for (Shared_Buffer& Buffer : Out.Buffers) Mark(Buffer.Stale_Rows);

  Shared_Buffer* Free = nullptr;
  for (Shared_Buffer& Buffer : Out.Buffers)
    if (!Buffer.Busy) Free = &Buffer;
  if (!Free) return false;  // both still read by the compositor: the rows wait for the next frame
  for (size_t Y = 0; Y < Height;) {
    if (!Free->Stale_Rows[Y]) {
      ++Y;
      continue;
    }
    size_t End = Y;
    while (End < Height && Free->Stale_Rows[End]) Free->Stale_Rows[End++] = 0;
    SDL_Rect Rows{0, static_cast<int>(Y), Picture.w, static_cast<int>(End - Y)};
    SDL_Rect Destination = Rows;
    SDL_BlitSurface(&Picture, &Rows, Free->Image, &Destination);
    Y = End;
  }
  Commit(*Free, Out.Unshown_Rows);
  std::fill(Out.Unshown_Rows.begin(), Out.Unshown_Rows.end(), uint8_t{0});
  return true;
}

void Wayland_Show_Black(int32_t Width, int32_t Height) {
  if (!Buffers_Of_Size(Width, Height)) return;
  for (Shared_Buffer& Buffer : Output().Buffers) {
    if (Buffer.Busy) continue;
    Commit(Buffer, Output().Unshown_Rows);
    return;
  }
}
