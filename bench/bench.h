// The two parts of the benchmark. Each makes and sites the package in this
// process (ide::SitedPackage over the package linked in), so that the registry
// installed with ScopedRegistry is the one the package uses.
#pragma once

namespace qz::bench {

// Part 1: every service operation over the registry of the Wine prefix.
bool RunServiceBench();
// Part 2: building the compiler list, first-run seeding and filling the
// Compilers page for growing installations.
bool RunScalingBench();

}  // namespace qz::bench
