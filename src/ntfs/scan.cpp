// AssembleDeletedTree: the NTFS scan. Every MFT record from 16 on that has a
// usable name becomes a tree node, hung under its parent folder; parents not
// met yet are read on the way up, and entries whose parent is lost go to
// made-up orphan folders.
#include <cinttypes>
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <vector>

#include "log/log.h"
#include "ntfs/ntfs_parser.h"
#include "parser/break_flag.h"
#include "parser/progress.h"
#include "platform/text.h"
#include "platform/times.h"

namespace tv {

using namespace ntfs;

ScanCounters& PublishedScanCounters() {
  static ScanCounters counters;
  return counters;
}

namespace {

// Records read from the MFT in one drive call while the table is contiguous.
constexpr std::uint32_t kRecordsPerBatch = 256;
// A folder chain deeper than this cannot be real: a path of that many
// levels is longer than any path the file system allows.
constexpr std::uint32_t kMaxFolderDepth = 32768;

// The state of one scan: the map from record number to node, which nodes
// reach the root, and the orphan folders. Nodes that never got a parent are
// freed with it.
class ScanState {
 public:
  ScanState(TreeNode& root, std::uint32_t records) : m_root(root), m_map(records, nullptr), m_rooted(records, 0) {
    m_orphans.present = 0;
  }
  ~ScanState() {
    // A parentless node may own children that lie later in the map, so the
    // map is read whole before anything is freed: the parentless nodes are
    // first gathered at its front (no allocation in a destructor). They are
    // the tops of their chains, none of them lies below another.
    std::size_t unowned = 0;
    for (TreeNode* node : m_map) {
      if (node != nullptr && node != &m_root && node->parent == nullptr) m_map[unowned++] = node;
    }
    for (std::size_t i = 0; i < unowned; ++i) delete m_map[i];
  }
  ScanState(const ScanState&) = delete;
  ScanState& operator=(const ScanState&) = delete;

  std::uint32_t Size() const { return static_cast<std::uint32_t>(m_map.size()); }
  TreeNode* At(std::uint32_t number) const { return number < m_map.size() ? m_map[number] : nullptr; }
  // The map owns `node` until it gets a parent.
  void Put(std::uint32_t number, std::unique_ptr<TreeNode> node) { m_map[number] = node.release(); }
  void PutRoot(std::uint32_t number) {
    m_map[number] = &m_root;
    m_rooted[number] = 1;
  }

  // Hangs `child` (a node of the map without parent) under `parent`.
  void Attach(TreeNode& parent, TreeNode& child) {
    // Refused before the node changes hands, so a refusal leaves it in the map.
    if (parent.children.size() >= TreeNode::kMaxChildren) throw std::length_error("list<T> too long");
    AppendChild(parent, std::unique_ptr<TreeNode>(&child));
    child.parent = &parent;
  }
  // True when `parent` is `child` or lies below it: hanging `child` there
  // would make it its own ancestor. Chains deeper than any real path count
  // as such a loop too.
  bool WouldLoop(const TreeNode& parent, const TreeNode& child) const {
    std::uint32_t depth = 0;
    for (const TreeNode* node = &parent; node != nullptr; node = node->parent) {
      if (node == &child || ++depth > kMaxFolderDepth) return true;
      if (node == &m_root || IsRooted(*node)) return false;
    }
    return false;
  }
  bool IsRooted(const TreeNode& node) const {
    return node.key < m_map.size() && m_map[node.key] == &node && m_rooted[node.key] != 0;
  }
  void MarkRooted(const std::vector<std::uint32_t>& chain) {
    for (std::uint32_t number : chain) m_rooted[number] = 1;
  }

  // The orphan folder made for a lost parent number, or null.
  TreeNode* FindOrphanFolder(std::uint32_t parentNumber) {
    const auto found = FindChildByKey(m_orphans.children, parentNumber);
    return found != m_orphans.children.end() ? found->get() : nullptr;
  }
  TreeNode& MakeOrphanFolder(std::uint32_t parentNumber) {
    char name[32];
    std::snprintf(name, sizeof name, "$$folder_%u", parentNumber);
    return *AppendChild(m_orphans, std::make_unique<TreeNode>(parentNumber, name, kAttributeDirectory, 1));
  }
  TreeNode& Orphans() { return m_orphans; }

 private:
  TreeNode& m_root;
  std::vector<TreeNode*> m_map;
  std::vector<std::uint8_t> m_rooted;
  // Holder of the orphan folders; not a real node.
  TreeNode m_orphans;
};

// True for records the scan passes over: extension records (any base record
// number), records whose attributes cannot be located, and unnamed ones.
// A record whose names were all moved to extension records takes them from
// there.
bool PassesAttributeAssert(CMFTRecord& record) {
  return record.BaseRecord() == 0 && record.LocateRecordAttributes() == 0 && record.LoadNamesFromAttributeList();
}

// Hangs every orphan folder under the root.
void AttachOrphanFolders(TreeNode& orphans, TreeNode& root) {
  while (!orphans.children.empty()) {
    std::unique_ptr<TreeNode> folder = std::move(orphans.children.front());
    orphans.children.pop_front();
    folder->parent = &root;
    AppendChild(root, std::move(folder));
  }
}

void LogScanCounters(std::uint32_t total, const ScanCounters& counters) {
  Log().Format("MFT size: %u records", total);
  Log().Format("normal files: %u", counters.normalFiles);
  Log().Format("normal folders: %u", counters.normalFolders);
  Log().Format("total files: %u", counters.totalFiles);
  Log().Format("total folders: %u", counters.totalFolders);
}

}  // namespace

// The walk of one scan over the MFT: each record from 16 on becomes a node,
// and the chain of its parents is read and built up to a node already met.
class CNTFSParser::TreeScan {
 public:
  TreeScan(CNTFSParser& parser, ScanState& state, int percentSpan)
      : m_parser(parser),
        m_state(state),
        m_nTotal(state.Size()),
        m_nPercentSpan(percentSpan),
        m_record(nullptr, 0, false, &parser),
        m_climbBuffer(kRecordBytes) {}

  // 0 when every record was walked, kStatusStopped, or -1 when a record
  // could not be handled.
  int WalkRecords();

 private:
  void StepProgress();
  // The node of record `number` put in the map, with the record's parent
  // number in `parentNumber`; null for a record the scan passes over.
  TreeNode* ScanRecord(std::uint32_t number, std::uint32_t& parentNumber);
  void LogRecordDump(const std::string& name, std::uint32_t parentNumber, std::int64_t firstCluster);
  // Builds the node of a located, named record, counting it.
  std::unique_ptr<TreeNode> BuildNode(CMFTRecord& source, std::uint32_t number, bool onClimb);
  // Places `child` (just built) under its parent, reading and building
  // missing parents on the way. False when stopped.
  bool Climb(TreeNode* child, std::uint32_t parentNumber);
  // One step up a climb: reads the parent record, builds its node and hangs
  // `child` under it; then `child` is that node and `parentNumber` its
  // parent. False when the parent record is passed over.
  bool ClimbThroughRecord(TreeNode*& child, std::uint32_t& parentNumber);
  // The parent number lies beyond the MFT, names a file, or would make the
  // chain loop: `child` goes to the orphan folder of that number.
  void AttachToOrphanFolder(TreeNode& child, std::uint32_t parentNumber);

  CNTFSParser& m_parser;
  ScanState& m_state;
  const std::uint32_t m_nTotal;
  const int m_nPercentSpan;
  // Records read so far, parents on a climb included; drives the progress.
  std::uint64_t m_nProcessed = 0;
  unsigned m_nLastProgress = 0xFFFFFFFFu;
  // The object reused for every record of the walk.
  CMFTRecord m_record;
  std::vector<std::uint8_t> m_climbBuffer;
  // The record numbers of the nodes of the current climb.
  std::vector<std::uint32_t> m_chain;
};

// Reads record `number` for the scan's walk: the MFT is read ahead in large
// pieces while it lies contiguous on the volume, so a scan costs few drive
// calls. The record is fixed up when it is handed out.
int CNTFSParser::ReadMftRecordForScan(std::uint32_t number, std::uint8_t*& record) {
  if (m_bMftDamaged) {
    Log().Message("CNTFSParser::ReadMFTRecord() - m_bMftDamaged.");
    return -1;
  }
  if (number >= MftRecordCount()) return -1;
  if (number < m_nBatchFirst || number - m_nBatchFirst >= m_nBatchCount) {
    std::uint32_t count = 1;
    const std::uint64_t first = m_lpMftSectorsList[number];
    while (count < kRecordsPerBatch && number + count < MftRecordCount() &&
           m_lpMftSectorsList[number + count] == first + std::uint64_t{kSectorsPerRecord} * count) {
      ++count;
    }
    m_batch.resize(std::size_t{kRecordsPerBatch} * kRecordBytes);
    std::uint32_t done = 0;
    m_nBatchFirst = number;
    m_nBatchCount = count;
    m_bBatchClean = ReadSectors(first, m_batch.data(), count * kSectorsPerRecord, done) == kReadOk &&
                    done == count * kSectorsPerRecord;
  }
  record = m_batch.data() + std::size_t{number - m_nBatchFirst} * kRecordBytes;
  if (!m_bBatchClean) {
    // Some sector of the piece failed: read this record on its own, so that
    // the failure is told for the records it concerns.
    return ReadMFTRecord(number, record);
  }
  Log().Message("Mft read mode is FAST");
  FinishRecordRead(number, record, false);
  return 0;
}

int CNTFSParser::AssembleDeletedTree(int percentSpan) {
  LoadClusterBitmap();
  Log().Message("Cluster Map was successfully readed");
  const std::uint32_t total = MftRecordCount();
  if (total == 0) return 0;
  std::unique_ptr<ScanState> state;
  try {
    state = std::make_unique<ScanState>(m_root, total);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (BreakRequested()) return kStatusStopped;

  ClearTree();
  if (kRootRecord < total) state->PutRoot(kRootRecord);
  m_root.attributes = kAttributeDirectory;
  Log().Message("dir tree construction start...");
  m_counters = ScanCounters();
  Log().Message("Trying to allocate memory for deleted files");
  Log().Message("Memory for deleted files was successfully allocated");
  m_nBatchFirst = m_nBatchCount = 0;

  TreeScan scan(*this, *state, percentSpan);
  if (const int result = scan.WalkRecords(); result != 0) return result;
  if (m_bAttachOrphans != 0) AttachOrphanFolders(state->Orphans(), m_root);

  Log().Message("Deleting structures");
  state.reset();
  Log().Message("DIR_MAP WAS DELETED");
  Log().Message("End of deleting structures");
  Log().Message("construction complete");
  LogScanCounters(total, m_counters);
  PublishedScanCounters() = m_counters;
  return 0;
}

int CNTFSParser::TreeScan::WalkRecords() {
  for (std::uint32_t number = kFirstUserRecord; number < m_nTotal; ++number) {
    ++m_nProcessed;
    if (BreakRequested()) return kStatusStopped;
    StepProgress();
    if (m_state.At(number) != nullptr) continue;

    TreeNode* node = nullptr;
    std::uint32_t parentNumber = kRootRecord;
    try {
      node = ScanRecord(number, parentNumber);
      if (node == nullptr) continue;
    } catch (const std::exception&) {
      Log().Format("trap while parsing record %d", static_cast<int>(number));
      return -1;
    }

    try {
      Log().Message("!!!---Entering the parsing loop---!!!");
      if (!Climb(node, parentNumber)) return kStatusStopped;
      Log().Message("!!!---End the parsing loop---!!!");
    } catch (const std::exception&) {
      Log().Message("Exception while parsing the loop");
      return -1;
    }
  }
  return 0;
}

void CNTFSParser::TreeScan::StepProgress() {
  const auto progress = static_cast<unsigned>(static_cast<std::uint64_t>(m_nPercentSpan) * m_nProcessed / m_nTotal);
  if (progress == m_nLastProgress) return;
  m_nLastProgress = progress;
  ReportProgress(progress);
}

TreeNode* CNTFSParser::TreeScan::ScanRecord(std::uint32_t number, std::uint32_t& parentNumber) {
  Log().Format("--> read MFT record %u", number);
  std::uint8_t* bytes = nullptr;
  m_parser.ReadMftRecordForScan(number, bytes);
  if (bytes == nullptr) return nullptr;
  m_record.Reset(bytes, number);
  if (!PassesAttributeAssert(m_record)) {
    Log().Message("Passing the attribute assert");
    Log().Message("Attribute assert was successfully passed");
    return nullptr;
  }
  const std::string name = m_record.PreferredName();
  const std::int64_t firstCluster = m_record.FirstCluster();
  parentNumber = m_record.TreeParent();
  LogRecordDump(name, parentNumber, firstCluster);
  Log().Format("file name: %s", name.c_str());
  if (m_record.AttributeList() != CMFTRecordBase::kAbsent) {
    Log().Message("Defining attribute list for MFT entry");
    Log().Message("Attribute list for MFT entry was successfully defined");
    ++m_nProcessed;
  }
  std::unique_ptr<TreeNode> built = BuildNode(m_record, number, false);
  TreeNode* node = built.get();
  m_state.Put(number, std::move(built));
  return node;
}

void CNTFSParser::TreeScan::LogRecordDump(const std::string& name, std::uint32_t parentNumber,
                                          std::int64_t firstCluster) {
  Log().Message("------MFT RECORD DUMP------");
  Log().Format("MFT record name --- %s", name.c_str());
  Log().Format("MFT record parent dir --- %u", parentNumber);
  Log().Format("MFT record file size --- %u", static_cast<std::uint32_t>(m_record.FileSize()));
  Log().Format("MFT record first cluster --- %u", static_cast<std::uint32_t>(firstCluster));
  Log().Format("MFT record is directory --- %u", m_record.IsDirectory() ? 1u : 0u);
  Log().Message("------END OF MFT RECORD DUMP------");
}

std::unique_ptr<TreeNode> CNTFSParser::TreeScan::BuildNode(CMFTRecord& source, std::uint32_t number,
                                                           bool onClimb) {
  const char* suffix = onClimb ? " - l" : "";
  Log().Format("Constructing node entry for MFT entry%s", suffix);
  const bool folder = source.IsDirectory();
  const bool deleted = !source.InUse();
  WString wideName = source.PreferredWideName();
  std::string name = platform::ToNarrow(wideName);
  // Narrow names are UTF-8 and give the UTF-16 name back whole; only a
  // name that does not (an unpaired surrogate) keeps its UTF-16 form too,
  // which saves a second copy of every name in a tree of millions.
  auto node = std::make_unique<TreeNode>(number, std::move(name), folder ? kAttributeDirectory : 0,
                                         deleted ? 1 : 0);
  if (platform::ToWide(node->name) != wideName) node->SetWideName(std::move(wideName));
  ScanCounters& counters = m_parser.m_counters;
  if (deleted) {
    if (!onClimb) {
      Log().Message("Starting of putting deleted data for MFT entry");
      Log().Message("Deleted data for MFT entry was generated");
    }
    if (!folder) {
      Log().Format("Start of estimating damage level%s", suffix);
      node->damageLevel = m_parser.EstimateDamageLevel(source);
      Log().Format("Damage level was successfully estimated%s", suffix);
    }
  } else if (folder) {
    ++counters.normalFolders;
  } else {
    ++counters.normalFiles;
  }
  Log().Format("Node entry for MFT entry was successfully constructed%s", suffix);
  if (folder) {
    ++counters.totalFolders;
  } else {
    ++counters.totalFiles;
  }
  Log().Format("Start of getting file parametres(size, time, date)%s", suffix);
  node->size = static_cast<std::uint64_t>(source.FileSize());
  node->modifiedTime = source.ModifiedTime();
  if (!onClimb) node->creationTime = source.CreationTime();
  Log().Format("End of getting file parametres(size, time, date)%s", suffix);
  return node;
}

bool CNTFSParser::TreeScan::Climb(TreeNode* child, std::uint32_t parentNumber) {
  m_chain.assign(1, child->key);
  for (;;) {
    if (BreakRequested()) return false;
    TreeNode* parent = m_state.At(parentNumber);
    if (parent != nullptr) {
      if (parent->IsDirectory() && !m_state.WouldLoop(*parent, *child)) {
        m_state.Attach(*parent, *child);
        if (parent == &m_parser.m_root || m_state.IsRooted(*parent)) m_state.MarkRooted(m_chain);
        return true;
      }
    } else if (parentNumber < m_nTotal) {
      if (!ClimbThroughRecord(child, parentNumber)) return true;
      continue;
    }
    AttachToOrphanFolder(*child, parentNumber);
    return true;
  }
}

bool CNTFSParser::TreeScan::ClimbThroughRecord(TreeNode*& child, std::uint32_t& parentNumber) {
  Log().Format("read MFT record %u - l", parentNumber);
  m_parser.ReadMFTRecord(parentNumber, m_climbBuffer.data());
  Log().Message("Constructing the object - l");
  CMFTRecord parentRecord(m_climbBuffer.data(), parentNumber, false, &m_parser);
  Log().Message("Object was successfully constructed - l");
  ++m_nProcessed;
  if (!PassesAttributeAssert(parentRecord)) {
    // The chain stays out of the tree; its nodes stay in the map, so later
    // records can still hang under them.
    Log().Message("Passing the attribute assert - l");
    Log().Message("Attribute assert was successfully passed - l");
    return false;
  }
  Log().Format("file name: %s - l", parentRecord.PreferredName().c_str());
  if (parentRecord.AttributeList() != CMFTRecordBase::kAbsent) {
    Log().Message("Defining attribute list for MFT entry - l");
    Log().Message("Attribute list for MFT entry was successfully defined - l");
  }
  std::unique_ptr<TreeNode> built = BuildNode(parentRecord, parentNumber, true);
  TreeNode* node = built.get();
  m_state.Put(parentNumber, std::move(built));
  m_state.Attach(*node, *child);
  Log().Message("Getting parent dir entry num - l");
  parentNumber = parentRecord.TreeParent();
  Log().Message("End of getting parent dir for entry num - l");
  child = node;
  m_chain.push_back(node->key);
  return true;
}

void CNTFSParser::TreeScan::AttachToOrphanFolder(TreeNode& child, std::uint32_t parentNumber) {
  if (TreeNode* folder = m_state.FindOrphanFolder(parentNumber)) {
    m_state.Attach(*folder, child);
    return;
  }
  Log().Message("Trying to search entry in orphaned - l");
  TreeNode& folder = m_state.MakeOrphanFolder(parentNumber);
  m_state.Attach(folder, child);
  folder.modifiedTime = platform::CurrentFileTime();
  Log().Message("Search entry in orphaned was finished - l");
}

}  // namespace tv
