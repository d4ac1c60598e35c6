// Registration of the framework's window kinds with the runtime, and the program entry that
// does it before anything runs. Explicit calls rather than static constructors: the library
// is static, and a constructor in a file nothing else refers to would not be linked.
#include "startup.h"
#include "command_console.h"
#include "main_window_commands.h"
#include "request_executors.h"
#include "script/script_run.h"
#include "window_report.h"

#include "boxes/box_description.h"
#include "boxes/box_windows.h"
#include "imagewin/image_commands.h"
#include "imagewin/image_description.h"
#include "imagewin/image_store.h"
#include "imagewin/image_table.h"
#include "imagewin/image_window.h"
#include "imaging/draw_commands.h"
#include "imaging/draw_state.h"
#include "imaging/pixel_panel_window.h"
#include "imaging/pixel_info.h"
#include "imaging/truetype_commands.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/entry.h"
#include "runtime/window_kinds.h"
#include "runtime/worker_calls.h"
#include "textwin/text_commands.h"
#include "textwin/text_description.h"
#include "textwin/text_window.h"
#include "textwin/text_window_proc.h"

static int AppendBox(PlatRect* out, int max, WindowId box) {
    if (!box || max <= 0 || PlatGetWindowRect(box, out) != 0) return 0;
    return 1;
}

static WindowId InputBoxWindow(void) { return input_box.load(std::memory_order_acquire); }
static WindowId ButtonBoxWindow(void) { return button_box.load(std::memory_order_acquire); }
static int AppendInputBoxRect(PlatRect* out, int max) { return AppendBox(out, max, InputBoxWindow()); }
static int AppendButtonBoxRect(PlatRect* out, int max) { return AppendBox(out, max, ButtonBoxWindow()); }

// The window report walks the kinds in this order: its sections come out as image windows,
// text windows, input box, button box. The pixel panel is not part of a layout a program makes.
static const WindowKind FRAMEWORK_KINDS[] = {
    {"image windows", {"pxk_iw", ImageWindowProc, CLASS_OWN_DC, 0x00000000}, AppendImageWindowRects, nullptr,
     ResetImageTable, nullptr, nullptr, DescribeImageWindows},
    {"text windows", {"pxk_twi", TextWindowProc, CLASS_OWN_DC, 0x00000000}, AppendTextWindowRects, nullptr,
     ResetTextWindowTable, ClearLineInput, PXK_CloseAllLogs, DescribeTextWindows},
    {"input box", {"pxk_ib", InputBoxProc, CLASS_OWN_DC | CLASS_DBLCLKS, COLOR_BUTTON_FACE}, AppendInputBoxRect,
     InputBoxWindow, nullptr, nullptr, nullptr, DescribeInputBox},
    {"button box", {"pxk_bb", ButtonBoxProc, CLASS_OWN_DC | CLASS_DBLCLKS, COLOR_BUTTON_FACE}, AppendButtonBoxRect,
     ButtonBoxWindow, nullptr, nullptr, nullptr, DescribeButtonBox},
    {"inspector", {"pxk_inspector", InspectorWindowProc, CLASS_OWN_DC, 0x00000000}, AppendInspectorRect, nullptr,
     ResetInspector, nullptr, nullptr, nullptr},
    // No windows of its own: the drawing colour, pen and text cursor are reset with the rest.
    {"drawing state", {}, nullptr, nullptr, ResetDrawState, nullptr, nullptr, nullptr},
};

// The console runs for the window whose menu was used without making it current.
static void ConsoleCommand(int id) {
    (void)id;
    RunCommandConsole();
}

// The report is printed into the window whose menu was used: it becomes current first.
static void WindowInfoCommand(int id) {
    PXK_SelectTextWindow(id);
    ShowWindowInfo();
}

// The test charts draw into the window's image, which becomes the current image.
template <void (*Draw)(void)>
static void ChartCommand(WindowId window, int index) {
    if (PXK_SelectImageByWindow((PXK_Window)window) != index) return;
    Draw();
    PlatInvalidateRect(window, nullptr, false);
}

// The image window's commands whose bodies live in imaging/, above the window's own folder.
struct ImageCommandBody {
    int id;
    void (*run)(WindowId window, int index);
};

static const ImageCommandBody IMAGING_COMMANDS[] = {
    {1015, ShowPixelInfo},
    {1016, ShowRgbProfile},
    {1017, ShowHsvProfile},
    {1018, ShowYCrCbProfile},
    {1021, ShowRowChroma},
    {1022, ShowAreaChroma},
    {1070, ShowLuminanceProfile},
    {1048, TrueTypeDrawCommand},
    {1049, TrueTypeFontChangeCommand},
    {1053, ChartCommand<PXK_DrawRGBChart>},
    {1054, ChartCommand<PXK_DrawHSVChart>},
    {1055, ChartCommand<PXK_DrawYCrCbChart>},
    {1067, ChartCommand<PXK_DrawYuvChart>},
    {1068, ChartCommand<PXK_DrawYIQChart>},
    {1071, ChartCommand<PXK_DrawGreyChart>},
};

void RegisterFrameworkKinds(void) {
    for (const ImageCommandBody& c : IMAGING_COMMANDS) SetImageCommandHandler(c.id, c.run);
    // The text window's console and report read the other subsystems: they live here.
    SetTextCommandHandler(CMD_TEXT_CONSOLE, ConsoleCommand);
    SetTextCommandHandler(CMD_TEXT_WINDOW_INFO, WindowInfoCommand);
    ClearWindowKinds();
    for (const WindowKind& kind : FRAMEWORK_KINDS) RegisterWindowKind(kind);
    ClearWorkerCalls();
    RegisterInspector();
    // The main window's requests and commands reach the windows above the runtime.
    RegisterRequestWork();
    RegisterMainWindowWork();
    // The colour and drawing commands of the image window live above it.
    RegisterDrawCommands();
}

int PixkitMain(int argc, char** argv) {
    RegisterFrameworkKinds();
    int status = 0;
    if (RunScriptedProgram(argc, argv, &status)) return status;
    return RunProgram(argc, argv);
}
