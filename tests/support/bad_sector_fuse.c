/* A read-only FUSE file system that serves one file, the bytes of a volume
 * image, whose reads fail with EIO wherever they touch chosen 512-byte
 * sectors: a failing disk for end-to-end tests.
 *
 *   bad_sector_fuse IMAGE MOUNTPOINT [--bad FIRST[-LAST]]... [--foreground]
 *
 * MOUNTPOINT then holds one file named like IMAGE (its last path component),
 * of the image's size. A read that covers any sector FIRST..LAST (inclusive,
 * absolute sector numbers) fails with EIO as a whole; reads that stay clear of
 * them return the image's bytes. The file is opened in direct-I/O mode, so the
 * kernel passes every read on with the caller's own offset and length and
 * keeps nothing in its cache: a caller that reads one sector at a time loses
 * exactly the bad sectors.
 *
 * Without --foreground the program returns once the file system is mounted
 * and keeps serving it in the background; unmount with
 * `fusermount3 -u MOUNTPOINT` (or `umount MOUNTPOINT` as root). With
 * --foreground it serves until it is unmounted or interrupted. The image is
 * only ever read. Exit status 2 for bad usage, 1 when the image cannot be
 * opened or the mount fails.
 */
#define _POSIX_C_SOURCE 200809L
#define FUSE_USE_VERSION 31
#define _FILE_OFFSET_BITS 64

#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define SECTOR_SIZE 512u
/* Far more ranges than any test needs; keeps the table fixed. */
#define MAX_BAD_RANGES 256

struct bad_range {
  uint64_t first;
  uint64_t last;
};

static struct {
  int image_fd;
  off_t image_size;
  char file_path[4096]; /* "/" + the image's name */
  struct bad_range bad[MAX_BAD_RANGES];
  int bad_count;
} served;

static int touches_bad_sector(off_t offset, size_t size) {
  if (size == 0) return 0;
  const uint64_t first = (uint64_t)offset / SECTOR_SIZE;
  const uint64_t last = ((uint64_t)offset + size - 1) / SECTOR_SIZE;
  for (int i = 0; i < served.bad_count; ++i) {
    if (served.bad[i].first <= last && first <= served.bad[i].last) return 1;
  }
  return 0;
}

static int fs_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
  (void)fi;
  memset(st, 0, sizeof *st);
  if (strcmp(path, "/") == 0) {
    st->st_mode = S_IFDIR | 0555;
    st->st_nlink = 2;
    return 0;
  }
  if (strcmp(path, served.file_path) == 0) {
    st->st_mode = S_IFREG | 0444;
    st->st_nlink = 1;
    st->st_size = served.image_size;
    st->st_blocks = (served.image_size + 511) / 512;
    return 0;
  }
  return -ENOENT;
}

static int fs_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
  (void)offset;
  (void)fi;
  (void)flags;
  if (strcmp(path, "/") != 0) return -ENOENT;
  fill(buf, ".", NULL, 0, 0);
  fill(buf, "..", NULL, 0, 0);
  fill(buf, served.file_path + 1, NULL, 0, 0);
  return 0;
}

static int fs_open(const char* path, struct fuse_file_info* fi) {
  if (strcmp(path, served.file_path) != 0) return -ENOENT;
  if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
  fi->direct_io = 1;
  return 0;
}

static int fs_read(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
  (void)fi;
  if (strcmp(path, served.file_path) != 0) return -ENOENT;
  if (offset >= served.image_size) return 0;
  if ((off_t)size > served.image_size - offset) size = (size_t)(served.image_size - offset);
  if (touches_bad_sector(offset, size)) return -EIO;
  size_t done = 0;
  while (done < size) {
    const ssize_t got = pread(served.image_fd, buf + done, size - done, offset + (off_t)done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -errno;
    if (got == 0) break;
    done += (size_t)got;
  }
  return (int)done;
}

static const struct fuse_operations operations = {
    .getattr = fs_getattr,
    .readdir = fs_readdir,
    .open = fs_open,
    .read = fs_read,
};

static int usage(void) {
  fprintf(stderr, "usage: bad_sector_fuse IMAGE MOUNTPOINT [--bad FIRST[-LAST]]... [--foreground]\n");
  return 2;
}

/* "FIRST" or "FIRST-LAST", decimal, FIRST <= LAST. */
static int parse_range(const char* text, struct bad_range* range) {
  char* end = NULL;
  errno = 0;
  range->first = strtoull(text, &end, 10);
  if (errno != 0 || end == text || *text == '-') return 0;
  range->last = range->first;
  if (*end == '-') {
    const char* second = end + 1;
    if (*second == '-' || *second == '\0') return 0;
    range->last = strtoull(second, &end, 10);
    if (errno != 0 || end == second) return 0;
  }
  return *end == '\0' && range->first <= range->last;
}

int main(int argc, char** argv) {
  const char* image = NULL;
  const char* mount_point = NULL;
  int foreground = 0;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--bad") == 0) {
      if (i + 1 >= argc || served.bad_count == MAX_BAD_RANGES ||
          !parse_range(argv[i + 1], &served.bad[served.bad_count])) {
        return usage();
      }
      ++served.bad_count;
      ++i;
    } else if (strcmp(argv[i], "--foreground") == 0) {
      foreground = 1;
    } else if (argv[i][0] == '-') {
      return usage();
    } else if (image == NULL) {
      image = argv[i];
    } else if (mount_point == NULL) {
      mount_point = argv[i];
    } else {
      return usage();
    }
  }
  if (image == NULL || mount_point == NULL) return usage();

  const char* name = strrchr(image, '/');
  name = name != NULL ? name + 1 : image;
  if (*name == '\0' || strlen(name) + 2 > sizeof served.file_path) return usage();
  snprintf(served.file_path, sizeof served.file_path, "/%s", name);

  served.image_fd = open(image, O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (served.image_fd < 0 || fstat(served.image_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    fprintf(stderr, "bad_sector_fuse: cannot read the image %s\n", image);
    return 1;
  }
  served.image_size = info.st_size;

  /* One thread: the reads are independent and tests need no speed. */
  char* fuse_argv[6];
  int fuse_argc = 0;
  fuse_argv[fuse_argc++] = argv[0];
  fuse_argv[fuse_argc++] = "-s";
  fuse_argv[fuse_argc++] = "-oro,fsname=bad_sector_fuse,subtype=bad_sector";
  if (foreground) fuse_argv[fuse_argc++] = "-f";
  fuse_argv[fuse_argc++] = (char*)mount_point;
  fuse_argv[fuse_argc] = NULL;
  return fuse_main(fuse_argc, fuse_argv, &operations, NULL) == 0 ? 0 : 1;
}
