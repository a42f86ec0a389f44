// Runs the window's test classes in one application on the offscreen platform, unless a
// platform was chosen (xcb, to watch the window or to reach the accessibility bus).
#include <QApplication>

namespace vexalo::testing {
int runLayoutTests(int argc, char **argv);
int runKeysTests(int argc, char **argv);
int runCommandsTests(int argc, char **argv);
int runHistoryTests(int argc, char **argv);
} // namespace vexalo::testing

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    using namespace vexalo::testing;
    int failed = runLayoutTests(argc, argv);
    failed += runKeysTests(argc, argv);
    failed += runCommandsTests(argc, argv);
    failed += runHistoryTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
