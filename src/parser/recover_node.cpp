// The base version of RecoverNode belongs to the recovery workflow, which is
// not built yet; until it is, the base reports that it could not open the
// entry's data.
#include "log/log.h"
#include "parser/file_system_parser.h"

namespace tv {

int CFileSystemParser::RecoverNode(TreeNode&, const std::string&, int&, int&, int, int,
                                   const WString*) {
  Log().Error("CFileSystemParser::RecoverNode() - recovery is not available");
  return 3;
}

}  // namespace tv
