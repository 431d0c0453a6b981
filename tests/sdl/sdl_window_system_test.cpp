// The SDL window system on SDL's offscreen driver: creation messages, sizing, the GL context,
// the message queue, the quit message, replayed input and its timing around an inactive window.
#include "app/sdl/sdl_window_system.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/sdl/message_boxes.h"
#include "base/platform.h"

namespace {

std::vector<MSG> delivered;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  delivered.push_back(MSG{window, message, wParam, lParam});
  return 0;
}

constexpr char kName[] = "[Tavrel] Hatching for HLSL";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

class SdlWindowSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    delivered.clear();
    std::string error;
    ASSERT_TRUE(system.Start(true, &error)) << error;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = kName;
    ASSERT_TRUE(system.RegisterClassA(windowClass));
  }

  HWND Create() {
    HWND window =
        system.CreateWindowExA(0, kName, kName, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr);
    EXPECT_NE(window, nullptr) << system.lastError();
    Drain();
    delivered.clear();
    return window;
  }

  // Takes whatever the window's creation queued, so that tests start from an empty queue.
  void Drain() {
    MSG message{};
    while (system.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT)
      system.GetMessageA(&message, nullptr, 0, 0);
  }

  SdlWindowSystem system;
};

TEST_F(SdlWindowSystemTest, CreationDeliversCreateThenTheClientSize) {
  HWND window =
      system.CreateWindowExA(0, kName, kName, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr);
  ASSERT_NE(window, nullptr) << system.lastError();
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[0].message, WM_CREATE);
  EXPECT_EQ(delivered[0].hwnd, window);
  EXPECT_EQ(delivered[1].message, WM_SIZE);
  EXPECT_EQ(delivered[1].lParam, MAKELPARAM(800, 600));
  EXPECT_STREQ(SDL_GetWindowTitle(system.window()->window()), kName);
  const Uint32 flags = SDL_GetWindowFlags(system.window()->window());
  EXPECT_EQ(flags & SDL_WINDOW_SHOWN, 0u) << "created hidden";
  EXPECT_EQ(flags & SDL_WINDOW_RESIZABLE, 0u) << "no sizing border";
}

TEST_F(SdlWindowSystemTest, RefusesAnUnregisteredClassAndASecondWindow) {
  EXPECT_EQ(system.CreateWindowExA(0, "other", kName, kStyle, 0, 0, 800, 600, nullptr), nullptr);
  EXPECT_NE(system.lastError().find("not registered"), std::string::npos);
  Create();
  EXPECT_EQ(system.CreateWindowExA(0, kName, kName, kStyle, 0, 0, 800, 600, nullptr), nullptr);
}

TEST_F(SdlWindowSystemTest, GivesAnOpenGlContextOfTheClientSize) {
  HWND window = Create();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->MakeCurrent());
  int width = 0;
  int height = 0;
  window->GetDrawableSize(&width, &height);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  int major = 0;
  int profile = 0;
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &major);
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
  EXPECT_GE(major, 3);
  EXPECT_EQ(profile, SDL_GL_CONTEXT_PROFILE_CORE);
  window->SetSwapInterval(0);
  window->SwapBuffers();
}

TEST_F(SdlWindowSystemTest, ClientSizesAreWindowSizes) {
  HWND window = Create();
  RECT rect{0, 0, 800, 600};
  EXPECT_TRUE(system.AdjustWindowRectEx(&rect, system.GetWindowLongA(window, GWL_STYLE),
                                        system.GetMenu(window), system.GetWindowLongA(window, GWL_EXSTYLE)));
  EXPECT_EQ(rect.right - rect.left, 800);
  EXPECT_EQ(rect.bottom - rect.top, 600);
  EXPECT_EQ(system.GetWindowLongA(window, GWL_STYLE), kStyle);
  EXPECT_FALSE(system.GetMenu(window));

  // The same size again changes nothing and says nothing.
  EXPECT_TRUE(system.SetWindowPos(window, nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOMOVE));
  EXPECT_TRUE(delivered.empty());
  EXPECT_TRUE(system.SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOZORDER | SWP_NOMOVE));
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].message, WM_SIZE);
  EXPECT_EQ(delivered[0].lParam, MAKELPARAM(640, 480));
}

TEST_F(SdlWindowSystemTest, ShowWindowShowsIt) {
  HWND window = Create();
  EXPECT_FALSE(system.ShowWindow(window, SW_SHOWDEFAULT));
  EXPECT_NE(SDL_GetWindowFlags(system.window()->window()) & SDL_WINDOW_SHOWN, 0u);
}

TEST_F(SdlWindowSystemTest, PeekLeavesTheMessageAndGetTakesIt) {
  HWND window = Create();
  MSG message{};
  EXPECT_FALSE(system.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  SDL_Event event{};
  ASSERT_TRUE(KeyDownEventFor(VK_SPACE, system.window()->id(), &event));
  SDL_PushEvent(&event);
  ASSERT_TRUE(system.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, WM_KEYDOWN);
  ASSERT_TRUE(system.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_EQ(system.GetMessageA(&message, nullptr, 0, 0), 1);
  EXPECT_EQ(message.hwnd, window);
  EXPECT_EQ(message.wParam, VK_SPACE);
  EXPECT_FALSE(system.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));

  EXPECT_EQ(system.DispatchMessageA(&message), 0);
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].message, WM_KEYDOWN);
  EXPECT_EQ(system.DefWindowProcA(window, 0x1234, 1, 2), 0);
}

TEST_F(SdlWindowSystemTest, QuitComesAfterWaitingMessagesWithItsCode) {
  Create();
  SDL_Event event{};
  ASSERT_TRUE(KeyDownEventFor('W', system.window()->id(), &event));
  SDL_PushEvent(&event);
  system.PostQuitMessage(3);
  MSG message{};
  ASSERT_EQ(system.GetMessageA(&message, nullptr, 0, 0), 1);
  EXPECT_EQ(message.message, WM_KEYDOWN);
  ASSERT_TRUE(system.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(system.GetMessageA(&message, nullptr, 0, 0), 0);
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 3u);
}

TEST_F(SdlWindowSystemTest, ReplayedEventsArriveBeforeTheFrameTheyName) {
  std::vector<InputEvent> events;
  std::string error;
  ASSERT_TRUE(ParseInputScript("0 key 87\n2 rdown 10 20\n2 move 30 20\n", "r", &events, &error));
  system.SetReplay(InputReplay(events));
  MSG message{};
  EXPECT_FALSE(system.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) << "no window, no input yet";
  ASSERT_NE(system.CreateWindowExA(0, kName, kName, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr),
            nullptr);
  ASSERT_EQ(system.GetMessageA(&message, nullptr, 0, 0), 1);
  EXPECT_EQ(message.message, WM_KEYDOWN);
  EXPECT_EQ(message.wParam, 87u);
  system.NoteFramesRendered(1);
  EXPECT_FALSE(system.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  system.NoteFramesRendered(2);
  ASSERT_EQ(system.GetMessageA(&message, nullptr, 0, 0), 1);
  EXPECT_EQ(message.message, WM_RBUTTONDOWN);
  EXPECT_EQ(message.lParam, MAKELPARAM(10, 20));
  ASSERT_EQ(system.GetMessageA(&message, nullptr, 0, 0), 1);
  EXPECT_EQ(message.message, WM_MOUSEMOVE);
}

TEST_F(SdlWindowSystemTest, WaitingWhileInactiveTakesTheNextReplayedEventAtOnce) {
  std::vector<InputEvent> events;
  std::string error;
  ASSERT_TRUE(ParseInputScript("1 deactivate\n50 activate\n", "r", &events, &error));
  system.SetReplay(InputReplay(events));
  Create();
  system.NoteFramesRendered(1);
  MSG message{};
  ASSERT_EQ(system.GetMessageA(&message, nullptr, 0, 0), 1);
  EXPECT_EQ(message.wParam, WA_INACTIVE);
  EXPECT_FALSE(system.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_TRUE(system.WaitMessage());
  ASSERT_EQ(system.GetMessageA(&message, nullptr, 0, 0), 1);
  EXPECT_EQ(message.message, WM_ACTIVATE);
  EXPECT_EQ(message.wParam, WA_ACTIVE);
}

TEST_F(SdlWindowSystemTest, HeadlessWaitWithNothingLeftToArriveEndsTheRun) {
  Create();
  testing::internal::CaptureStderr();
  EXPECT_TRUE(system.WaitMessage());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("inactive"), std::string::npos);
  MSG message{};
  EXPECT_EQ(system.GetMessageA(&message, nullptr, 0, 0), 0);
  EXPECT_EQ(message.wParam, 0u);
}

TEST(MessageBoxes, HeadlessBoxWritesCaptionAndTextToStandardError) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(StandardErrorBox(nullptr, "\xbf\xc0\xb7\xf9 text", "ERROR", MB_OK), IDOK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: \xec\x98\xa4\xeb\xa5\x98 text\n");
}

}  // namespace
