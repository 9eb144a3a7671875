#pragma once
// Window handles and window messages.
//
// A window handle is a number that names a window object in a process-wide handle table. The value
// carries the process id in its upper bits and a slot in its low ten bits:
//   handle = (pid << 10) | slot,  slot 1..1023,
// so a handle is never 0, is unique among the processes running at one time, and fits in 32 bits
// (Linux process ids stay below 2^22), which lets it be stored as a registry DWORD for the sibling
// program. Slots are handed out round-robin, so a handle is not given to a new window until all other
// slots have been used; a message to a stale handle is dropped rather than reaching a newcomer.
//
// Delivery. Every message is handled on the GUI thread (the thread of the QCoreApplication object).
// - PostMessage may be called from any thread. It queues an event to the GUI thread and returns at
//   once; the handler runs exactly once, later, from the event loop. A window unregistered before
//   delivery drops the message.
// - SendMessage on the GUI thread calls the handler at once and returns its Result. From another
//   thread it queues the message and blocks until the GUI thread has handled it, but never longer than
//   the timeout: a message still waiting when the timeout ends is withdrawn and will never be handled,
//   so the caller always knows whether the handler ran. Never send from a thread the GUI thread may
//   be waiting for (a join, a mutex): that ends only by the timeout.
// Without a QCoreApplication there is no GUI thread: posts fail and sends return nothing.
//
// Windows of another process (the sibling program) are reached through a local socket that the owner
// of a handle publishes under "$XDG_RUNTIME_DIR/calidarix/" (when XDG_RUNTIME_DIR is not set:
// "/tmp/calidarix-<uid>/"), one socket per published handle, named "window-<handle>". A send to
// another process has a timeout, so a hung peer cannot hang this program.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

class QObject;

namespace calidarix {

using WindowHandle = std::uintptr_t; // 0 names no window
using MessageId = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t; // may carry an object's address within one process
using LRESULT = std::intptr_t;

struct Message {
  MessageId Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0; // set by the handler; SendMessage returns it
};

// The program's own messages.
inline constexpr MessageId WM_USER = 0x0400;
inline constexpr MessageId WM_TRAYICON = 0x0401; // wParam icon id, lParam mouse message
inline constexpr MessageId WM_RESTITCH = 0x044D;
inline constexpr MessageId WM_OPENLISTFILE = 0x0465;
inline constexpr MessageId WM_FRAMEDONE = 0x0480;   // wParam result code, lParam the thread
inline constexpr MessageId WM_MODULEFRAME = 0x0488; // wParam the thread, lParam frame type
inline constexpr MessageId WM_HEADSTEP = 0x0500;
inline constexpr MessageId WM_SCANLINE = 0x0600; // wParam line number, lParam the thread
inline constexpr MessageId WM_SIBLINGNOTIFY = 0x822B;
inline constexpr MessageId WM_SIBLINGOPEN = 0x822C;

// Standard message numbers the main window dispatches on (values as Windows defines them).
inline constexpr MessageId WM_NULL = 0x0000;
inline constexpr MessageId WM_MOVE = 0x0003;
inline constexpr MessageId WM_SIZE = 0x0005;
inline constexpr MessageId WM_MOUSEACTIVATE = 0x0021;
inline constexpr MessageId WM_KEYDOWN = 0x0100;
inline constexpr MessageId WM_KEYUP = 0x0101;
inline constexpr MessageId WM_SYSKEYDOWN = 0x0104;
inline constexpr MessageId WM_SYSKEYUP = 0x0105;
inline constexpr MessageId WM_SYSCOMMAND = 0x0112;
inline constexpr MessageId WM_LBUTTONDOWN = 0x0201;
inline constexpr MessageId WM_RBUTTONDOWN = 0x0204;
inline constexpr MessageId WM_RBUTTONUP = 0x0205;
inline constexpr MessageId WM_MBUTTONDOWN = 0x0207;
inline constexpr MessageId WM_MOUSEWHEEL = 0x020A;
inline constexpr MessageId WM_SIZING = 0x0214;
inline constexpr MessageId WM_DEVICECHANGE = 0x0219;

// Parameter values read by those handlers.
inline constexpr WPARAM SC_MAXIMIZE = 0xF030;              // WM_SYSCOMMAND
inline constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;        // WM_DEVICECHANGE
inline constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004; // WM_DEVICECHANGE
inline constexpr WPARAM MK_SHIFT = 0x0004;                 // key state in WM_MOUSEWHEEL
inline constexpr WPARAM MK_CONTROL = 0x0008;

// The window procedure: handles the message and may set its Result. Runs on the GUI thread.
using MessageHandler = std::function<void(Message &)>;

// Enters a window in the handle table and returns its handle, or 0 when all slots are taken.
// With a `window` object the entry is removed (and its socket withdrawn) when that object is destroyed.
WindowHandle RegisterWindow(QObject *window, MessageHandler handler);

// Removes a window from the table and withdraws its socket; queued messages to it are dropped.
// An unknown handle is ignored.
void UnregisterWindow(WindowHandle handle);

bool IsWindow(WindowHandle handle);

// Queues a message for the window's handler. False for an unknown handle or without an application.
bool PostMessage(WindowHandle handle, MessageId msg, WPARAM wParam, LPARAM lParam);

// Default limit of a send that must cross threads or processes.
inline constexpr std::chrono::milliseconds kSendTimeout{1000};

// Delivers a message and returns the handler's Result; nothing when the window is unknown, when it was
// unregistered before the message reached it, or (from another thread) when the timeout ran out first.
std::optional<LRESULT> SendMessage(WindowHandle handle, MessageId msg, WPARAM wParam, LPARAM lParam,
                                   std::chrono::milliseconds timeout = kSendTimeout);

// --- Windows of other processes ---

// The folder of the published sockets, created (mode 0700) when missing. Nothing when it cannot be
// created or when it exists but is not a private folder of this user (a shared /tmp is not trusted).
std::optional<std::filesystem::path> WindowSocketFolder();

// The socket path of a handle inside WindowSocketFolder().
std::filesystem::path WindowSocketPath(const std::filesystem::path &folder, WindowHandle handle);

// Decides which messages other processes may deliver to a published window. Any process of the same
// user can write to the socket, and a message number that the window procedure reads as an address
// (a rectangle, a thread object) would let it write into this process's memory: a window accepts only
// the messages meant to come from outside, with arguments it has checked. A refused message never
// reaches the handler; the sender is answered as if the window did not exist.
using RemoteMessageFilter = std::function<bool(const Message &)>;

// Opens the socket of a registered window of this process so that other processes can post and send
// to it the messages `accept` lets through. Call on the GUI thread. False for an unknown handle, an
// empty filter or when the socket cannot be opened. A left-over socket file of a process that has
// ended is replaced.
bool PublishWindow(WindowHandle handle, RemoteMessageFilter accept);

// Closes the socket of a published window (UnregisterWindow does this too).
void WithdrawWindow(WindowHandle handle);

// Posts to a window published by another process. True when that process has queued the message;
// false when there is no such window or it did not answer within the timeout.
bool PostMessageToProcessWindow(WindowHandle handle, MessageId msg, WPARAM wParam, LPARAM lParam,
                                std::chrono::milliseconds timeout = kSendTimeout);

// Sends to a window published by another process and returns its Result; nothing when there is no
// such window or no answer came within the timeout. Blocks the calling thread meanwhile, so a window
// of this same process is reached only from a thread other than the GUI thread.
std::optional<LRESULT> SendMessageToProcessWindow(WindowHandle handle, MessageId msg, WPARAM wParam,
                                                  LPARAM lParam,
                                                  std::chrono::milliseconds timeout = kSendTimeout);

} // namespace calidarix
