<?php
// Demo accounts, routes and servers of the reference service. Texts are UTF-8 here and go out
// in GBK. Every server stands on 127.0.0.x: the demo and the tests never reach another machine.
// Route entries are private and documentation ranges; they only ever reach fake routing tables.
//
// An account answers with its `vpn` values once its password matches (a wrong password or an
// unknown user gets WrongPassword); only accounts whose AuthResult reads "ok" in any case get
// route lists, and only for the routes their document lists. "{base}" in a value stands for
// this server's own address, e.g. http://127.0.0.1:8088. A value with blanks at either end goes
// out in double quotes, so that the client's INI reading keeps the blanks.

if (realpath($_SERVER['SCRIPT_FILENAME'] ?? '') === __FILE__) {
    http_response_code(404);
    exit;
}

$current = '1.1.0.0';
$everyRoute = ['ct-basic', 'cnc-game', '全局 hk&us=1+2#%', 'edu'];
$everyServer = ['bj1', 'sh2', 'gz3', 'hk4', 'tj5'];

return [
    'client_version' => $current,

    'accounts' => [
        [
            'user' => 'demo',
            'password' => 'demo',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'OK'],
            'routes' => $everyRoute,
            'servers' => $everyServer,
            'exercises' => 'OK: the full directory, every route and the five servers',
        ],
        [
            'user' => '加速测试',
            'password' => 'p&w=1+2 %41#x',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'OK'],
            'routes' => ['全局 hk&us=1+2#%', 'ct-basic'],
            'servers' => ['gz3', 'bj1'],
            'exercises' => 'OK only when user name (GBK), password and route id are percent-encoded; '
                . '"%41" in the password turns into "A" if "%" goes out raw',
        ],
        [
            'user' => 'busy',
            'password' => 'busy',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'WrongPassword'],
            'exercises' => 'WrongPassword with the right password (too many sessions)',
        ],
        [
            'user' => 'locked',
            'password' => 'locked',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'Locked'],
            'exercises' => 'Locked',
        ],
        [
            'user' => 'expired',
            'password' => 'expired',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'Expired'],
            'exercises' => 'Expired (the client also opens the home page)',
        ],
        [
            'user' => 'message',
            'password' => 'message',
            'vpn' => [
                'RequiredClientVersion' => $current,
                'AuthResult' => 'ErrorByMessage',
                'AuthResultMessage' => '服务器维护中，请于今晚22:00以后再登录。',
            ],
            'exercises' => 'ErrorByMessage with a Chinese AuthResultMessage',
        ],
        [
            'user' => 'suspended',
            'password' => 'suspended',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'Suspended'],
            'exercises' => 'an AuthResult the client does not know',
        ],
        [
            'user' => 'upgrade',
            'password' => 'upgrade',
            'vpn' => [
                'RequiredClientVersion' => '1.1.0.1',
                'UpdateURL' => '{base}/client_update.php',
                'AuthResult' => 'OK',
            ],
            'routes' => $everyRoute,
            'servers' => $everyServer,
            'exercises' => 'a newer client required (1.1.0.1, one step above 1.1.0.0); UpdateURL is a web page here',
        ],
        [
            'user' => 'upgrade-file',
            'password' => 'upgrade-file',
            'vpn' => [
                'RequiredClientVersion' => '2.0.0.0',
                'UpdateURL' => 'file:///C:/windows/notepad.exe',
                'AuthResult' => 'OK',
            ],
            'exercises' => 'a newer client required with an UpdateURL that is not a web page: '
                . 'the box and the quit, but nothing opened (a faulty client starts Notepad)',
        ],
        [
            'user' => 'oklower',
            'password' => 'oklower',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'ok'],
            'routes' => ['edu'],
            'servers' => ['tj5', 'wh6'],
            'exercises' => 'AuthResult "ok" in lower case; a small directory whose second server offers no protocol '
                . 'and whose route has no ModifyDefaultGateway key',
        ],
        [
            'user' => 'noresult',
            'password' => 'noresult',
            'vpn' => ['RequiredClientVersion' => $current],
            'exercises' => 'no AuthResult key (reads as a wrong password)',
        ],
        [
            'user' => 'noversion',
            'password' => 'noversion',
            'vpn' => ['AuthResult' => 'OK'],
            'routes' => $everyRoute,
            'servers' => $everyServer,
            'exercises' => 'no RequiredClientVersion although the login is OK (network or server error)',
        ],
        [
            'user' => 'many',
            'password' => 'many',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'OK'],
            // Routes 0 and 4 share a title, and so do servers 1 and 7: the saved title selects
            // the later one.
            'routes' => ['ct-basic', 'cnc-game', 'edu', '全局 hk&us=1+2#%', 'ct-night', 'lan-games'],
            'servers' => ['bj1', 'sh2', 'gz3', 'hk4', 'tj5', 'cd6', 'xa7', 'sh2-later', 'nj9', 'cq10', 'km-nohost',
                'hz11', 'dl12'],
            'exercises' => 'the selection window with a long directory: duplicate route and server titles, '
                . 'partial, upper-case and empty protocols, an empty host, a host with blanks around it, '
                . 'loads that are fractions, 1, empty or not a number',
        ],
        [
            'user' => 'noproto',
            'password' => 'noproto',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'OK'],
            'routes' => ['ct-basic'],
            'servers' => ['wh6', 'sh2'],
            'exercises' => 'the first server offers no protocol: the selection window says so as it opens',
        ],
        [
            'user' => 'hostile',
            'password' => 'hostile',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'OK'],
            'routes' => ['ct-basic'],
            'servers' => ['evil-host'],
            'exercises' => 'a hostile directory: its ServerHost carries extra openvpn.exe options, which the client '
                . 'must refuse to start ("执行OpenVPN程序失败")',
        ],
        [
            'user' => 'empty',
            'password' => 'empty',
            'vpn' => ['RequiredClientVersion' => $current, 'AuthResult' => 'OK'],
            'routes' => [],
            'servers' => [],
            'exercises' => 'OK with neither routes nor servers: the selection window lists nothing',
        ],
    ],

    // Keyed by RouteId. A null modify_default_gateway leaves the key out (the client reads 0).
    // An empty string in `lines` is a blank line of the route document.
    'routes' => [
        'ct-basic' => [
            'title' => '电信加速',
            'modify_default_gateway' => 0,
            'lines' => [
                '10.8.0.0 mask 255.255.0.0',
                '172.16.0.0 mask 255.240.0.0',
                '192.0.2.0 mask 255.255.255.0',
                '',
                '198.51.100.0 mask 255.255.255.0',
                '203.0.113.0 mask 255.255.255.0',
            ],
        ],
        'cnc-game' => [
            'title' => '网通游戏专线',
            'modify_default_gateway' => 0,
            // Written the way hand-kept lists look: mixed case, uneven blanks, empty lines and
            // a line in CIDR form, which the client skips.
            'lines' => [
                '',
                '10.20.0.0 mask 255.255.0.0',
                '10.21.0.0   MASK   255.255.0.0',
                "10.22.0.0\tMask\t255.255.255.0",
                '',
                '',
                '10.1.0.0/16',
                '192.168.100.0 mask 255.255.255.0',
            ],
        ],
        '全局 hk&us=1+2#%' => [
            'title' => '全局加速（修改默认网关）',
            'modify_default_gateway' => 1,
            // With the tunnel as default gateway these stay outside it: the local networks.
            'lines' => [
                '10.0.0.0 mask 255.0.0.0',
                '172.16.0.0 mask 255.240.0.0',
                '192.168.0.0 mask 255.255.0.0',
            ],
        ],
        'edu' => [
            'title' => '教育网加速',
            'modify_default_gateway' => null,
            'lines' => [
                '10.30.0.0 mask 255.255.0.0',
                '192.168.200.0 mask 255.255.255.0',
            ],
        ],
        // Same title as ct-basic, other entries: which of the two was chosen shows in the routes.
        'ct-night' => [
            'title' => '电信加速',
            'modify_default_gateway' => 0,
            'lines' => [
                '10.9.0.0 mask 255.255.0.0',
                '198.51.100.128 mask 255.255.255.128',
            ],
        ],
        'lan-games' => [
            'title' => '局域网联机',
            'modify_default_gateway' => null,
            'lines' => [
                '192.168.50.0 mask 255.255.255.0',
            ],
        ],
    ],

    // Keyed by an internal name; a document numbers the servers it lists from 0.
    'servers' => [
        'bj1' => [
            'title' => '北京电信一号',
            'comment' => '双线机房，推荐使用',
            'load' => '0.35',
            'host' => '127.0.0.1',
            'protocols' => 'pptp,l2tp,openvpn',
        ],
        'sh2' => [
            'title' => '上海电信二号',
            'comment' => '仅支持PPTP，晚间高峰较忙',
            'load' => '0.8',
            'host' => '127.0.0.2',
            'protocols' => 'pptp',
        ],
        'gz3' => [
            'title' => '广州网通三号',
            'comment' => '游戏专用，仅支持OpenVPN',
            'load' => '0.05',
            'host' => '127.0.0.3',
            'protocols' => 'openvpn',
        ],
        'hk4' => [
            'title' => '香港国际四号',
            'comment' => '国际出口，已满载',
            'load' => '1',
            'host' => '127.0.0.4',
            'protocols' => 'pptp,openvpn',
        ],
        'tj5' => [
            'title' => '天津教育网五号',
            'comment' => '教育网用户推荐L2TP',
            'load' => '0.6',
            'host' => '127.0.0.5',
            'protocols' => 'l2tp,openvpn',
        ],
        // Hostile on purpose: what follows the address would be options of openvpn.exe.
        'evil-host' => [
            'title' => '恶意服务器',
            'comment' => '地址后面带有OpenVPN选项',
            'load' => '0.1',
            'host' => '127.0.0.1 --script-security 2 --up evil.bat',
            'protocols' => 'openvpn',
            'hostile' => true,
        ],
        'wh6' => [
            'title' => '武汉维护中',
            'comment' => '维护中，暂时没有可用的连接方式',
            'load' => '0',
            'host' => '127.0.0.5',
            'protocols' => '',
        ],
        'cd6' => [
            'title' => '成都电信六号',
            'comment' => '新开机房，三种方式都可用',
            'load' => '0.125',
            'host' => '127.0.0.6',
            'protocols' => 'pptp,l2tp,openvpn',
        ],
        // The host as a hand-edited entry may look; it goes out quoted so the blanks arrive.
        'xa7' => [
            'title' => '西安网通七号',
            'comment' => '地址前后带空格',
            'load' => '0.5',
            'host' => '  127.0.0.7 ',
            'protocols' => 'pptp,l2tp',
        ],
        // Same title as sh2, but another host and other protocols.
        'sh2-later' => [
            'title' => '上海电信二号',
            'comment' => '同名的第二台，仅支持L2TP',
            'load' => '0.2',
            'host' => '127.0.0.8',
            'protocols' => 'l2tp',
        ],
        // Not empty, yet no protocol in the case the client looks for.
        'nj9' => [
            'title' => '南京电信九号',
            'comment' => '协议名为大写',
            'load' => 'abc',
            'host' => '127.0.0.9',
            'protocols' => 'PPTP',
        ],
        'cq10' => [
            'title' => '重庆网通十号',
            'comment' => '暂无连接方式',
            'load' => '',
            'host' => '127.0.0.10',
            'protocols' => '',
        ],
        // No host to measure: its speed stays untested.
        'km-nohost' => [
            'title' => '昆明电信待定',
            'comment' => '地址未配置',
            'load' => '0.3',
            'host' => '',
            'protocols' => 'pptp',
        ],
        'hz11' => [
            'title' => '杭州电信十一号',
            'comment' => '空闲',
            'load' => '0',
            'host' => '127.0.0.11',
            'protocols' => 'l2tp,openvpn',
        ],
        'dl12' => [
            'title' => '大连网通十二号',
            'comment' => '协议顺序与众不同',
            'load' => '0.9',
            'host' => '127.0.0.12',
            'protocols' => 'openvpn,pptp',
        ],
    ],
];
