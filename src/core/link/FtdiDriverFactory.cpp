#include "link/FtdiDriverFactory.h"

#include "link/LibFtdiDriver.h"
#include "link/LinkTrace.h"
#include "sim/SimFtdiDriver.h"

namespace tarnix {

std::unique_ptr<FtdiDriver> makeFtdiDriver(const LinkOptions& options, std::string* error) {
    auto fail = [&](const std::string& why) -> std::unique_ptr<FtdiDriver> {
        if (error)
            *error = why;
        return nullptr;
    };
    std::unique_ptr<FtdiDriver> driver;
    if (options.sim > 0) {
        auto sim = std::make_unique<SimFtdiDriver>(options.sim, options.simState);
        if (!sim->stateProblem().empty())
            return fail(sim->stateProblem());
        for (const std::string& text : options.simFaults) {
            std::string why;
            auto f = parseSimFault(text, &why);
            if (!f)
                return fail(why);
            sim->addFault(*f);
        }
        driver = std::move(sim);
    } else {
        if (!options.simFaults.empty() || !options.simState.empty())
            return fail("--sim-fault and --sim-state need simulated controllers (--sim)");
        driver = std::make_unique<LibFtdiDriver>();
    }
    if (!options.trace.empty()) {
        auto traced = std::make_unique<TracingFtdiDriver>(std::move(driver), options.trace);
        if (!traced->ok())
            return fail("cannot write the link trace " + options.trace);
        driver = std::move(traced);
    }
    return driver;
}

SimFtdiDriver* simulatorOf(FtdiDriver* driver) {
    if (auto* t = dynamic_cast<TracingFtdiDriver*>(driver))
        driver = &t->inner();
    return dynamic_cast<SimFtdiDriver*>(driver);
}

} // namespace tarnix
