/* The yardstick of bench/list-speed.sh: opens, reads to its end and closes each file an SFV or
 * MD5 list names, in list order, and nothing else (no digest, no output per file).
 *   plain-read LIST    (names resolve against the current folder) */
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
    static char buffer[65536];
    char line[4096];
    long long total = 0;
    if (argc != 2) return 2;
    FILE* list = fopen(argv[1], "r");
    if (!list) return 2;
    const char* dot = strrchr(argv[1], '.');
    const int md5 = dot && strcmp(dot, ".md5") == 0;
    while (fgets(line, sizeof line, list)) {
        line[strcspn(line, "\r\n")] = 0;
        if (!line[0] || line[0] == ';') continue;
        char* name = line;
        if (md5) { /* "digest  name" or "digest *name" */
            name = strchr(line, ' ');
            if (!name) continue;
            name += 2;
        } else { /* "name CRC" */
            char* blank = strrchr(line, ' ');
            if (!blank) continue;
            *blank = 0;
        }
        const int fd = open(name, O_RDONLY);
        if (fd < 0) return 1;
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) total += n;
        close(fd);
    }
    fclose(list);
    printf("%lld bytes\n", total);
    return 0;
}
