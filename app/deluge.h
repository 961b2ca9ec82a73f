#pragma once

// The whole run: start-up, the frame loop until a key, shutdown. Ends the process with status 0.
[[noreturn]] void runDeluge();
