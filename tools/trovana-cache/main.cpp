// SPDX-License-Identifier: GPL-3.0-or-later
// trovana-cache: the command-line face of the URL cache library.
#include <iostream>

#include "commands.h"

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    return trovana::cli::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
