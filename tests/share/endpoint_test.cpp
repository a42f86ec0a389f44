// Where --share listens: loopback unless another address is written out; anything that names no
// address or port is refused with the reason.
#include "endpoint.h"

#include <gtest/gtest.h>

namespace vexalo {
namespace {

TEST(Endpoint, LoopbackUnlessAnotherAddressIsWrittenOut)
{
    const struct {
        const char *text;
        std::string endpoint; // or the error
        bool loopback;
    } cases[] = {
        { "", "127.0.0.1:4532", true },
        { "4533", "127.0.0.1:4533", true },
        { "localhost:4000", "127.0.0.1:4000", true },
        { "0.0.0.0:4532", "0.0.0.0:4532", false },
        { "192.168.1.5:4532", "192.168.1.5:4532", false },
        { "[::1]:4532", "[::1]:4532", true },
        { "70000", "'70000' is no port (1 to 65535)", false },
        { "0", "'0' is no port (1 to 65535)", false },
        { "rig", "'rig' is no port (1 to 65535)", false },
        { "1.2.3:4532", "'1.2.3' is no IP address", false },
        { "1.2.3.4.5:4532", "'1.2.3.4.5' is no IP address", false },
        { "256.1.1.1:4532", "'256.1.1.1' is no IP address", false },
        { "station.lan:4532", "'station.lan' is no IP address", false },
    };
    for (const auto &c : cases) {
        QString error;
        const auto endpoint = parseEndpoint(c.text, error);
        EXPECT_EQ((endpoint ? endpoint->text() : error).toStdString(), c.endpoint) << c.text;
        EXPECT_EQ(endpoint && endpoint->loopback(), c.loopback) << c.text;
    }
}

} // namespace
} // namespace vexalo
