// SPDX-License-Identifier: GPL-3.0-or-later
// trovana-cache: the command-line face of the URL cache library.
#include <unistd.h>

#include <cstring>
#include <iostream>

#include "commands.h"
#include "output_buffer.h"

int main(int argc, char** argv)
{
    // Standard output through a buffer that keeps the first write error: a
    // listing cut short by a full disk or a closed pipe ends with a message
    // and status 1, never as success.
    trovana::fileio::OutputBuffer buffer(STDOUT_FILENO);
    std::ostream out(&buffer);
    int status = trovana::cli::Run(std::vector<std::string>(argv + 1, argv + argc), out, std::cerr);
    out.flush();
    int error = buffer.Error();
    if (error == 0 && ::close(STDOUT_FILENO) != 0 && errno != EBADF)
        error = errno;
    if (error != 0) {
        std::cerr << "trovana-cache: cannot write the output: " << std::strerror(error) << '\n';
        status = 1;
    }
    return status;
}
