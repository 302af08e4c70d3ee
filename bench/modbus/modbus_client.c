/* Load for a Modbus TCP server: CLIENTS connections (one process each) on 127.0.0.1 PORT,
 * each sending one request after the other for SECONDS and waiting for each reply:
 *   read   function code 3, 125 registers from START
 *   write  function code 16, 2 registers from START, new values every time
 * Prints the requests answered per second over all connections, and the round trip's
 * median in microseconds.
 *   modbus_client PORT read|write START CLIENTS SECONDS */
#include <modbus/modbus.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static int compare(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

int main(int argc, char** argv)
{
    if (argc != 6) {
        fprintf(stderr, "usage: modbus_client PORT read|write START CLIENTS SECONDS\n");
        return 2;
    }
    const int port = atoi(argv[1]);
    const int writing = strcmp(argv[2], "write") == 0;
    const int start = atoi(argv[3]);
    const int clients = atoi(argv[4]);
    const double seconds = atof(argv[5]);
    int pipes[64][2];
    for (int c = 0; c < clients && c < 64; ++c) {
        if (pipe(pipes[c]) != 0)
            return 1;
        if (fork() == 0) {
            modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
            modbus_set_response_timeout(ctx, 5, 0);
            if (modbus_connect(ctx) != 0) {
                fprintf(stderr, "connect: %s\n", modbus_strerror(errno));
                _exit(1);
            }
            uint16_t regs[125];
            static double trips[4000000];
            long n = 0, failed = 0;
            const double end = now() + seconds;
            double t = now();
            while (t < end) {
                int rc;
                if (writing) {
                    const uint16_t values[2] = {(uint16_t)n, (uint16_t)(n >> 16)};
                    rc = modbus_write_registers(ctx, start, 2, values);
                } else {
                    rc = modbus_read_registers(ctx, start, 125, regs);
                }
                const double t2 = now();
                if (rc < 0)
                    ++failed;
                else if (n < 4000000)
                    trips[n] = t2 - t;
                ++n;
                t = t2;
            }
            const long kept = n < 4000000 ? n : 4000000;
            qsort(trips, (size_t)kept, sizeof trips[0], compare);
            double result[3] = {(double)n, (double)failed, kept ? trips[kept / 2] : 0};
            if (write(pipes[c][1], result, sizeof result) != sizeof result)
                _exit(1);
            _exit(0);
        }
    }
    double total = 0, failed = 0, median = 0;
    for (int c = 0; c < clients; ++c) {
        double result[3];
        if (read(pipes[c][0], result, sizeof result) != sizeof result)
            return 1;
        total += result[0];
        failed += result[1];
        median += result[2] / clients;
        wait(NULL);
    }
    printf("%.0f requests/s, %.0f failed, median round trip %.1f us\n", total / seconds, failed, median * 1e6);
    return failed > 0;
}
