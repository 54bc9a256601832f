#include <ostream>

#include "zulcheck/Commands.h"

int RunListArchive(const std::string&, std::ostream&, std::ostream& err)
{
    err << "zulcheck: --list-archive is not available yet\n";
    return 2;
}
