// Log files of the text windows on the real program: start, stop and resume with their
// result codes, output and typed lines reaching the file without the user doing anything,
// copying the log to the clipboard (buffered text; never a file this run's log did not make),
// printed lines in the file while the worker computes without pumping, and after it is killed,
// every byte printed before Exit kept and no log started once Exit began, a reopened window
// logging only its new text, a start folder deeper than 300 bytes left later, a file that
// cannot be created, and a write error under a file size limit: one box, the log paused, the
// window still served while the box is open.
//
// Each case runs in a fresh folder of its own. Boxes are answered at once and printed on
// stderr, which the fixture captures, except where a case shows a real box.
#include "textwin_fixture.h"

#include "support/stderr_capture.h"

#include "platform/controls/dialog.h"
#include "support/outside_io.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

// On the worker: opens text window `id` at the cases' usual place and starts its log.
static void OpenLogged(int id) {
    PXK_OpenTextWindow(id, 10, 10, 400, 300);
    PXK_StartLog(id);
}

static std::string LogName(int id) { return "PIXKIT" + std::to_string(instance_slot) + std::to_string(id) + ".LOG"; }

// Message boxes print "caption: text" on stderr and answer at once.
class LogFiles : public TextWindowsInFolder {
protected:
    void SetUp() override {
        setenv("PIXKIT_HEADLESS_AUTOANSWER", "1", 1);
        ASSERT_FALSE(stderr_text.path.empty());
        TextWindowsInFolder::SetUp();
    }
    void TearDown() override {
        if (PlatGetOpenMessageBox()) DriverKey(KEY_RETURN);
        TextWindowsInFolder::TearDown();
    }
    // How many times the boxes printed exactly this "caption: text" line.
    int BoxLines(const std::string& line) {
        const std::string all = stderr_text.Text();
        int n = 0;
        for (size_t at = 0; (at = all.find(line + "\n", at)) != std::string::npos; at += line.size())
            n += at == 0 || all[at - 1] == '\n';
        return n;
    }
    std::string LogText(int id) { return ReadFileBytes(folder + "/" + LogName(id)); }
    StderrCapture stderr_text;
};

TEST_F(LogFiles, StartStopStartKeepsTheFirstAndLastTextsAndTheCodesFollowTheState) {
    struct Call {
        int (*op)(int);
        int id, result;
    };
    // Before any window is open, and for ids outside the table.
    static const Call refused[] = {{PXK_StartLog, 0, 3},  {PXK_StartLog, -1, 3}, {PXK_StartLog, 256, 3},
                                   {PXK_StopLog, 0, 2},   {PXK_StopLog, -1, 2},  {PXK_StopLog, 256, 2},
                                   {PXK_CopyLog, 0, 4},   {PXK_CopyLog, -1, 4},  {PXK_CopyLog, 256, 4}};
    for (const Call& c : refused) EXPECT_EQ(Ask<int>([&] { return c.op(c.id); }), c.result) << c.id;

    ASSERT_TRUE(OnWorker([] { PXK_OpenTextWindow(0, 10, 10, 400, 300); }));
    EXPECT_EQ(Ask<int>([] { return PXK_StopLog(0); }), 1);   // no log yet
    EXPECT_EQ(LogStateOf(0), LOG_NONE);
    EXPECT_EQ(Ask<int>([] { return PXK_StartLog(0); }), 0);
    EXPECT_EQ(LogStateOf(0), LOG_ON);
    ASSERT_TRUE(OnWorker([] { PXK_Printf("abc\n"); }));
    EXPECT_EQ(Ask<int>([] { return PXK_StopLog(0); }), 0);
    EXPECT_EQ(Ask<int>([] { return PXK_StopLog(0); }), 0);   // a paused log stays paused
    EXPECT_EQ(LogStateOf(0), LOG_PAUSED);
    ASSERT_TRUE(OnWorker([] { PXK_Printf("not logged\n"); }));
    EXPECT_EQ(Ask<int>([] { return PXK_StartLog(0); }), 0);
    ASSERT_TRUE(OnWorker([] { PXK_Printf("def\n"); }));
    // Starting twice neither truncates nor changes anything.
    EXPECT_EQ(Ask<int>([] { return PXK_StartLog(0); }), 1);
    EXPECT_EQ(LogStateOf(0), LOG_ON);
    EXPECT_TRUE(DriverWaitFor([&] { return LogText(0) == "abc\ndef\n"; })) << LogText(0);
}

TEST_F(LogFiles, OutputAndTypedLinesReachTheFileWithoutTheUserDoingAnything) {
    ASSERT_TRUE(OnWorker([] {
        OpenLogged(0);
        PXK_Printf("first %d\n", 1);
    }));
    // Nothing more is printed: the pump flushes the line within about 100 ms.
    EXPECT_TRUE(DriverWaitFor([&] { return LogText(0) == "first 1\n"; })) << LogText(0);
    ASSERT_TRUE(OnWorker([] { PXK_Printf("name? "); }));
    static char line[256];
    int job = PostJob([] { PXK_InputText(line); });
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() == 1; }));
    DriverType("Ada\n");
    ASSERT_TRUE(WaitJob(job));
    EXPECT_STREQ(line, "Ada");
    // The prompt and the answer share a line, which is in the file as soon as it was entered.
    EXPECT_EQ(LogText(0), "first 1\nname? Ada\n");
}

TEST_F(LogFiles, CopyingGivesEverythingPrintedSoFarAndLaterOutputFollowsIt) {
    ASSERT_TRUE(OnWorker([] {
        OpenLogged(2);
        PXK_Printf("one ä\n");
    }));
    EXPECT_EQ(Ask<int>([] { return PXK_CopyLog(2); }), 0);
    EXPECT_EQ(DriverClipboardText(), "one ä\n");
    ASSERT_TRUE(OnWorker([] { PXK_Printf("two\n"); }));
    EXPECT_EQ(Ask<int>([] { return PXK_CopyLog(2); }), 0);
    EXPECT_EQ(DriverClipboardText(), "one ä\ntwo\n");
    EXPECT_EQ(LogStateOf(2), LOG_ON);
    // A paused log copies the same way and stays paused.
    EXPECT_EQ(Ask<int>([] { return PXK_StopLog(2); }), 0);
    EXPECT_EQ(Ask<int>([] { return PXK_CopyLog(2); }), 0);
    EXPECT_EQ(LogStateOf(2), LOG_PAUSED);
    EXPECT_EQ(BoxLines("Pause: Can't open LOG file!"), 0);
}

TEST_F(LogFiles, CopyingTakesOnlyWhatTheWindowLoggedInThisRun) {
    ASSERT_TRUE(WriteFileBytes(folder + "/" + LogName(3), "earlier run\n"));
    ASSERT_TRUE(OnWorker([] { PXK_OpenTextWindow(3, 10, 10, 400, 300); }));
    // A file an earlier run left under the log's name is not this window's log. (The
    // clipboard outlives a case: what an earlier case copied must stay.)
    DriverSetClipboardText("before");
    EXPECT_EQ(Ask<int>([] { return PXK_CopyLog(3); }), 2);
    EXPECT_EQ(BoxLines("Pause: Can't open LOG file!"), 1);
    EXPECT_EQ(DriverClipboardText(), "before");
    EXPECT_EQ(LogStateOf(3), LOG_NONE);
    ASSERT_TRUE(OnWorker([] {
        PXK_StartLog(3);
        PXK_Printf("this run\n");
        PXK_StopLog(3);
    }));
    EXPECT_EQ(Ask<int>([] { return PXK_CopyLog(3); }), 0);
    EXPECT_EQ(DriverClipboardText(), "this run\n");
    // Nor is a file someone else put in its place.
    ASSERT_TRUE(WriteFileBytes(folder + "/other", "someone else\n"));
    ASSERT_EQ(rename((folder + "/other").c_str(), (folder + "/" + LogName(3)).c_str()), 0);
    EXPECT_EQ(Ask<int>([] { return PXK_CopyLog(3); }), 2);
    EXPECT_EQ(BoxLines("Pause: Can't open LOG file!"), 2);
    EXPECT_EQ(DriverClipboardText(), "this run\n");
}

TEST_F(LogFiles, PrintedLinesReachTheFileWhileTheWorkerComputesWithoutPumping) {
    static std::atomic<bool> computing{false}, done{false};
    int job = PostJob([] {
        OpenLogged(0);
        PXK_Printf("one\n");
        PXK_Printf("two\n");
        computing.store(true);
        while (!done.load()) {
        }
    });
    ASSERT_TRUE(DriverWaitFor([] { return computing.load(); }));
    // The worker neither pumps nor calls the framework until the file shows the lines.
    EXPECT_TRUE(DriverWaitFor([&] { return LogText(0) == "one\ntwo\n"; })) << LogText(0);
    done.store(true);
    ASSERT_TRUE(WaitJob(job));
}

// Child side of the next case: prints two lines, computes for a second and a half without
// pumping, and is killed.
TEST(LogFilesChild, KilledWhileComputing) {
    if (!getenv("PIXKIT_TEST_CHILD")) GTEST_SKIP() << "runs only as a child process";
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN; }, HARNESS_TIMEOUT_MS));
    PostJob([] {
        OpenLogged(0);
        PXK_Printf("one\n");
        PXK_Printf("two\n");
        for (uint32_t start = PlatGetTickMs(); PlatGetTickMs() - start < 1500;) {
        }
        kill(getpid(), SIGKILL);
    });
    for (;;) pause();
}

TEST_F(LogFiles, AProgramKilledWhileItComputesHasItsPrintedLinesInTheLog) {
    EXPECT_EQ(StopProgram(), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("PIXKIT_TEST_CHILD", "1", 1);
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        execl("/proc/self/exe", "child", "--gtest_filter=LogFilesChild.KilledWhileComputing", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended otherwise: status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    // The child holds slot 0 of its own runtime folder.
    EXPECT_EQ(ReadFileBytes(folder + "/PIXKIT00.LOG"), "one\ntwo\n");
}

TEST_F(LogFiles, AFileThatCannotBeCreatedLeavesTheLogOff) {
    ASSERT_EQ(mkdir((folder + "/" + LogName(5)).c_str(), 0700), 0);
    ASSERT_TRUE(OnWorker([] { PXK_OpenTextWindow(5, 10, 10, 400, 300); }));
    EXPECT_EQ(Ask<int>([] { return PXK_StartLog(5); }), 2);
    EXPECT_EQ(BoxLines("Error: Can't create file for LOG!"), 1);
    EXPECT_EQ(LogStateOf(5), LOG_NONE);
    // Nor is a folder of that name copied as a log.
    EXPECT_EQ(Ask<int>([] { return PXK_CopyLog(5); }), 2);
    EXPECT_EQ(BoxLines("Pause: Can't open LOG file!"), 1);
}

TEST_F(LogFiles, ExitKeepsEveryBytePrintedBeforeItAndRefusesANewStart) {
    ASSERT_TRUE(OnWorker([] { OpenLogged(0); }));
    static std::atomic<int> printed{0};
    static std::atomic<int> late_start{-1};
    // The program prints as fast as it can until it sees Exit, then, once Exit has closed
    // the log, tries to start it again (which would empty the file).
    PostJob([] {
        for (int i = 0; ExitState.load() == PXK_EXIT_NONE; i++) {
            PXK_Printf("line %d\n", i);
            printed.store(i + 1);
        }
        while (LogStateOf(0) != LOG_NONE) std::this_thread::yield();
        late_start.store(PXK_StartLog(0));
    });
    ASSERT_TRUE(DriverWaitFor([] { return printed.load() >= 500; }, HARNESS_TIMEOUT_MS));
    int before_exit = printed.load();
    EXPECT_EQ(StopProgram(), 0);
    EXPECT_EQ(late_start.load(), 2);
    // The file holds whole lines 0, 1, 2 ... in order, at least all printed before Exit.
    std::string text = LogText(0), expected;
    int lines = 0;
    while (expected.size() < text.size()) expected += "line " + std::to_string(lines++) + "\n";
    EXPECT_EQ(text, expected);
    EXPECT_GE(lines, before_exit);
}

TEST_F(LogFiles, AReopenedWindowLogsOnlyItsNewText) {
    ASSERT_TRUE(OnWorker([] {
        OpenLogged(0);
        PXK_Printf("old window\n");
        PXK_CloseTextWindow(0);
    }));
    // Closing the window closed its log with everything in it.
    EXPECT_EQ(LogText(0), "old window\n");
    ASSERT_TRUE(OnWorker([] {
        OpenLogged(0);
        PXK_Printf("new window\n");
    }));
    EXPECT_EQ(LogStateOf(0), LOG_ON);
    EXPECT_EQ(StopProgram(), 0);
    EXPECT_EQ(LogText(0), "new window\n");
}

TEST_F(LogFiles, LogsGoToAStartFolderDeeperThan300BytesEvenAfterTheFolderChanged) {
    StopProgram();
    std::string deep = folder;
    while (deep.size() <= 320) {
        deep += "/a-folder-name-of-some-length";
        ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    }
    ASSERT_EQ(chdir(deep.c_str()), 0);
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN; }, HARNESS_TIMEOUT_MS));
    ASSERT_EQ(chdir(folder.c_str()), 0);
    ASSERT_TRUE(OnWorker([] {
        OpenLogged(7);
        PXK_Printf("deep\n");
    }));
    EXPECT_EQ(Ask<int>([] { return PXK_CopyLog(7); }), 0);
    EXPECT_EQ(DriverClipboardText(), "deep\n");
    EXPECT_EQ(StopProgram(), 0);
    EXPECT_EQ(ReadFileBytes(deep + "/" + LogName(7)), "deep\n");
    EXPECT_EQ(LogText(7), "");
}

// Sets the file size limit of the process for a case's lifetime (writes beyond it fail
// with EFBIG instead of raising SIGXFSZ).
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit r = saved;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved;
};

TEST_F(LogFiles, AWriteErrorPausesTheLogWithOneBoxWhileTheWindowIsStillServed) {
    const std::string text(1500, 'x');   // 30 lines of the window, which shows 50
    {
        FileSizeLimit limit(1000);
        ASSERT_TRUE(OnWorker([&] {
            PXK_OpenTextWindow(0, 10, 10, 400, 800);
            PXK_StartLog(0);
            PXK_Printf("%s", text.c_str());
        }));
        EXPECT_TRUE(DriverWaitFor([] { return LogStateOf(0) == LOG_PAUSED; }));
        ASSERT_TRUE(OnWorker([] {
            for (int i = 0; i < 5; i++) PXK_Printf("more %d\n", i);
        }));
        ASSERT_TRUE(DriverWaitIdle());
        EXPECT_EQ(BoxLines("Pause: Can't write LOG file!"), 1);
        EXPECT_EQ(LogText(0), text.substr(0, 1000));

        // Resumed, the next failure shows a real box; the worker pumps it without holding the
        // window, which goes on painting meanwhile.
        unsetenv("PIXKIT_HEADLESS_AUTOANSWER");
        EXPECT_EQ(Ask<int>([] { return PXK_StartLog(0); }), 0);
        int job = PostJob([] { PXK_Printf("again\n"); PXK_StopLog(0); });
        ASSERT_TRUE(DriverWaitFor([] { return PlatGetOpenMessageBox() != 0; }));
        EXPECT_EQ(DriverWindowText(PlatGetOpenMessageBox()), "Pause");
        PlatInvalidateRect(HandleOf(0), nullptr, false);
        EXPECT_TRUE(DriverWaitIdle());
        EXPECT_TRUE(ShowsText(0, 0, 0, ReferenceText(u"xxxxxxxxxx", 0xFFFFFF, 0x000000)));
        DriverKey(KEY_RETURN);
        ASSERT_TRUE(WaitJob(job));
        EXPECT_EQ(PlatGetOpenMessageBox(), 0u);
        EXPECT_EQ(LogStateOf(0), LOG_PAUSED);
    }
    EXPECT_EQ(StopProgram(), 0);
}
