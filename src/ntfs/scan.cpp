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
    return *AppendChild(m_orphans, std::make_unique<TreeNode>(parentNumber, name, kFileAttributeDirectory, 1));
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

}  // namespace

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
  m_root.attributes = kFileAttributeDirectory;
  Log().Message("dir tree construction start...");
  m_counters = ScanCounters();
  std::uint32_t attached = 0;
  std::uint64_t processed = 0;
  unsigned lastProgress = 0xFFFFFFFFu;
  Log().Message("Trying to allocate memory for deleted files");
  Log().Message("Memory for deleted files was successfully allocated");
  m_nBatchFirst = m_nBatchCount = 0;

  CMFTRecord record(nullptr, 0, false, this);
  std::vector<std::uint8_t> climbBuffer(kRecordBytes);
  std::vector<std::uint32_t> chain;

  // Builds the node of a located, named record, counting it.
  const auto buildNode = [&](CMFTRecord& source, std::uint32_t number, bool onClimb) {
    const char* suffix = onClimb ? " - l" : "";
    Log().Format("Constructing node entry for MFT entry%s", suffix);
    const bool folder = source.IsDirectory();
    const bool deleted = !source.InUse();
    WString wideName = source.PreferredWideName();
    std::string name = platform::ToNarrow(wideName);
    // Narrow names are UTF-8 and give the UTF-16 name back whole; only a
    // name that does not (an unpaired surrogate) keeps its UTF-16 form too,
    // which saves a second copy of every name in a tree of millions.
    auto node = std::make_unique<TreeNode>(number, std::move(name), folder ? kFileAttributeDirectory : 0,
                                           deleted ? 1 : 0);
    if (platform::ToWide(node->name) != wideName) node->SetWideName(std::move(wideName));
    if (deleted) {
      if (!onClimb) {
        Log().Message("Starting of putting deleted data for MFT entry");
        Log().Message("Deleted data for MFT entry was generated");
      }
      if (!folder) {
        Log().Format("Start of estimating damage level%s", suffix);
        node->damageLevel = EstimateDamageLevel(source);
        Log().Format("Damage level was successfully estimated%s", suffix);
      }
    } else if (folder) {
      ++m_counters.normalFolders;
    } else {
      ++m_counters.normalFiles;
    }
    Log().Format("Node entry for MFT entry was successfully constructed%s", suffix);
    if (folder) {
      ++m_counters.totalFolders;
    } else {
      ++m_counters.totalFiles;
    }
    Log().Format("Start of getting file parametres(size, time, date)%s", suffix);
    node->size = static_cast<std::uint64_t>(source.FileSize());
    node->modifiedTime = source.ModifiedTime();
    if (!onClimb) node->creationTime = source.CreationTime();
    Log().Format("End of getting file parametres(size, time, date)%s", suffix);
    return node;
  };

  // Places `child` (just built for record `number`) under its parent,
  // reading and building missing parents on the way. False when stopped.
  const auto climb = [&](TreeNode* child, std::uint32_t parentNumber) {
    chain.assign(1, child->key);
    for (;;) {
      if (BreakRequested()) return false;
      TreeNode* parent = state->At(parentNumber);
      if (parent != nullptr) {
        if (parent->IsDirectory() && !state->WouldLoop(*parent, *child)) {
          state->Attach(*parent, *child);
          ++attached;
          if (parent == &m_root || state->IsRooted(*parent)) state->MarkRooted(chain);
          return true;
        }
      } else if (parentNumber < total) {
        Log().Format("read MFT record %u - l", parentNumber);
        ReadMFTRecord(parentNumber, climbBuffer.data());
        Log().Message("Constructing the object - l");
        CMFTRecord parentRecord(climbBuffer.data(), parentNumber, false, this);
        Log().Message("Object was successfully constructed - l");
        ++processed;
        if (!PassesAttributeAssert(parentRecord)) {
          // The chain stays out of the tree; its nodes stay in the map, so
          // later records can still hang under them.
          Log().Message("Passing the attribute assert - l");
          Log().Message("Attribute assert was successfully passed - l");
          return true;
        }
        Log().Format("file name: %s - l", parentRecord.PreferredName().c_str());
        if (parentRecord.AttributeList() != _CMFTRecord::kAbsent) {
          Log().Message("Defining attribute list for MFT entry - l");
          Log().Message("Attribute list for MFT entry was successfully defined - l");
        }
        std::unique_ptr<TreeNode> built = buildNode(parentRecord, parentNumber, true);
        TreeNode* node = built.get();
        state->Put(parentNumber, std::move(built));
        state->Attach(*node, *child);
        ++attached;
        Log().Message("Getting parent dir entry num - l");
        parentNumber = parentRecord.TreeParent();
        Log().Message("End of getting parent dir for entry num - l");
        child = node;
        chain.push_back(node->key);
        continue;
      }
      // Orphan step: the parent number lies beyond the MFT, names a file, or
      // would make the chain loop.
      TreeNode* folder = state->FindOrphanFolder(parentNumber);
      if (folder != nullptr) {
        state->Attach(*folder, *child);
        return true;
      }
      Log().Message("Trying to search entry in orphaned - l");
      folder = &state->MakeOrphanFolder(parentNumber);
      state->Attach(*folder, *child);
      folder->modifiedTime = platform::CurrentFileTime();
      Log().Message("Search entry in orphaned was finished - l");
      return true;
    }
  };

  for (std::uint32_t number = kFirstUserRecord; number < total; ++number) {
    ++processed;
    if (BreakRequested()) return kStatusStopped;
    const auto progress = static_cast<unsigned>(static_cast<std::uint64_t>(percentSpan) * processed / total);
    if (progress != lastProgress) {
      lastProgress = progress;
      ReportProgress(progress);
    }
    if (state->At(number) != nullptr) continue;

    TreeNode* node = nullptr;
    std::uint32_t parentNumber = kRootRecord;
    try {
      Log().Format("--> read MFT record %u", number);
      std::uint8_t* bytes = nullptr;
      ReadMftRecordForScan(number, bytes);
      if (bytes == nullptr) continue;
      record.Reset(bytes, number);
      if (!PassesAttributeAssert(record)) {
        Log().Message("Passing the attribute assert");
        Log().Message("Attribute assert was successfully passed");
        continue;
      }
      const std::string name = record.PreferredName();
      const std::int64_t firstCluster = record.FirstCluster();
      parentNumber = record.TreeParent();
      Log().Message("------MFT RECORD DUMP------");
      Log().Format("MFT record name --- %s", name.c_str());
      Log().Format("MFT record parent dir --- %u", parentNumber);
      Log().Format("MFT record file size --- %u", static_cast<std::uint32_t>(record.FileSize()));
      Log().Format("MFT record first cluster --- %u", static_cast<std::uint32_t>(firstCluster));
      Log().Format("MFT record is directory --- %u", record.IsDirectory() ? 1u : 0u);
      Log().Message("------END OF MFT RECORD DUMP------");
      Log().Format("file name: %s", name.c_str());
      if (record.AttributeList() != _CMFTRecord::kAbsent) {
        Log().Message("Defining attribute list for MFT entry");
        Log().Message("Attribute list for MFT entry was successfully defined");
        ++processed;
      }
      std::unique_ptr<TreeNode> built = buildNode(record, number, false);
      node = built.get();
      state->Put(number, std::move(built));
    } catch (const std::exception&) {
      Log().Format("trap while parsing record %d", static_cast<int>(number));
      return -1;
    }

    try {
      Log().Message("!!!---Entering the parsing loop---!!!");
      if (!climb(node, parentNumber)) return kStatusStopped;
      Log().Message("!!!---End the parsing loop---!!!");
    } catch (const std::exception&) {
      Log().Message("Exception while parsing the loop");
      return -1;
    }
  }

  if (m_bAttachOrphans != 0) {
    TreeNode& orphans = state->Orphans();
    while (!orphans.children.empty()) {
      std::unique_ptr<TreeNode> folder = std::move(orphans.children.front());
      orphans.children.pop_front();
      folder->parent = &m_root;
      AppendChild(m_root, std::move(folder));
      ++attached;
    }
  }

  Log().Message("Deleting structures");
  state.reset();
  Log().Message("DIR_MAP WAS DELETED");
  Log().Message("End of deleting structures");
  Log().Message("construction complete");
  Log().Format("MFT size: %u records", total);
  Log().Format("normal files: %u", m_counters.normalFiles);
  Log().Format("normal folders: %u", m_counters.normalFolders);
  Log().Format("total files: %u", m_counters.totalFiles);
  Log().Format("total folders: %u", m_counters.totalFolders);
  PublishedScanCounters() = m_counters;
  (void)attached;
  return 0;
}

}  // namespace tv
