<?php
// Starts the reference service under PHP's built-in server on a free loopback port, asks it what
// the client asks, the way the client asks (HTTP/1.1, Host without the port, Connection: close,
// values percent-encoded in GBK), and checks the answers. Exits 0 when every check passed.
//
//   php check_service.php [tools/service folder]

declare(strict_types=1);

require __DIR__ . '/service_checks.php';

const RUN_SECONDS = 45;     // the whole run; CTest allows a little more
const SERVER_SECONDS = 75;  // the server ends itself after this even if we are killed

$serviceDir = realpath($argv[1] ?? __DIR__ . '/../../tools/service');
if ($serviceDir === false || !is_file("$serviceDir/client_login.php")) {
    fwrite(STDERR, "no service folder\n");
    exit(2);
}
$data = require "$serviceDir/data.php";

$server = null;
function stop_server(): void
{
    global $server;
    if ($server === null) {
        return;
    }
    proc_terminate($server, SIGTERM);
    for ($i = 0; $i < 50 && proc_get_status($server)['running']; ++$i) {
        usleep(100000);
    }
    if (proc_get_status($server)['running']) {
        proc_terminate($server, SIGKILL);
    }
    proc_close($server);
    $server = null;
}
register_shutdown_function('stop_server');
pcntl_async_signals(true);
foreach ([SIGTERM, SIGINT, SIGHUP] as $signal) {
    pcntl_signal($signal, function () {
        exit(1);  // the shutdown function stops the server
    });
}

// A port nobody holds right now; if someone takes it before the server does, try another.
function start_server(string $dir): int
{
    global $server;
    for ($attempt = 0; $attempt < 5; ++$attempt) {
        $probe = stream_socket_server('tcp://127.0.0.1:0');
        $port = (int)substr(strrchr(stream_socket_get_name($probe, false), ':'), 1);
        fclose($probe);
        // -q keeps request lines, which carry passwords, out of any output.
        $command = ['timeout', (string)SERVER_SECONDS, PHP_BINARY, '-q', '-S', "127.0.0.1:$port", '-t', $dir];
        $quiet = [0 => ['file', '/dev/null', 'r'], 1 => ['file', '/dev/null', 'w'], 2 => ['file', '/dev/null', 'w']];
        $server = proc_open($command, $quiet, $pipes);
        for ($i = 0; $i < 50 && proc_get_status($server)['running']; ++$i) {
            $socket = @stream_socket_client("tcp://127.0.0.1:$port", $errno, $error, 1);
            if ($socket !== false) {
                fclose($socket);
                return $port;
            }
            usleep(100000);
        }
        stop_server();
    }
    fwrite(STDERR, "the PHP built-in server did not start\n");
    exit(2);
}

$started = microtime(true);
$port = start_server($serviceDir);
$checks = new ServiceChecks($port, $started + RUN_SECONDS);

$checks->requestErrors();
$checks->accounts($data);
$checks->encoding();
$checks->directories($data);
$checks->selectionDirectories();
$checks->routeListRefusals();
$checks->pages();

stop_server();
exit($checks->report() ? 0 : 1);
