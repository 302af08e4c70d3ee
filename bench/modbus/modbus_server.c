/* The yardstick for the virtual converter's Modbus TCP server: a minimal libmodbus server
 * on 127.0.0.1 serving holding registers 0 to 1999 to any number of clients, one select()
 * loop, as libmodbus's own examples do.
 *   modbus_server PORT */
#include <modbus/modbus.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/select.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: modbus_server PORT\n");
        return 2;
    }
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", atoi(argv[1]));
    modbus_mapping_t* map = modbus_mapping_new(0, 0, 2000, 2000);
    if (!ctx || !map)
        return 1;
    const int listener = modbus_tcp_listen(ctx, 16);
    if (listener < 0) {
        fprintf(stderr, "listen: %s\n", modbus_strerror(errno));
        return 1;
    }
    fd_set all;
    FD_ZERO(&all);
    FD_SET(listener, &all);
    int highest = listener;
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    for (;;) {
        fd_set ready = all;
        if (select(highest + 1, &ready, NULL, NULL, NULL) < 0)
            return 1;
        for (int fd = 0; fd <= highest; ++fd) {
            if (!FD_ISSET(fd, &ready))
                continue;
            if (fd == listener) {
                const int client = modbus_tcp_accept(ctx, (int*)&listener);
                if (client >= 0) {
                    FD_SET(client, &all);
                    if (client > highest)
                        highest = client;
                }
                continue;
            }
            modbus_set_socket(ctx, fd);
            const int rc = modbus_receive(ctx, query);
            if (rc > 0)
                modbus_reply(ctx, query, rc, map);
            else if (rc == -1) {
                close(fd);
                FD_CLR(fd, &all);
            }
        }
    }
}
