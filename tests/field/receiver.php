<?php
// The smallest PHP receiver a site would write: the raw body is the file;
// its name is the decoded "name" and "ext" query values, as PHP decodes them.
$name = $_GET['name'] ?? '';
$ext = $_GET['ext'] ?? '';
$file = $ext === '' ? $name : $name . '.' . $ext;
if ($file === '' || $file !== basename($file) || $file[0] === '.') {
    echo 'ERROR';
    exit;
}
$body = file_get_contents('php://input');
if (file_put_contents(dirname(__DIR__) . '/store/' . $file, $body) !== strlen($body)) {
    echo 'ERROR';
    exit;
}
echo 'OK <FILETITLE> ' . rawurlencode($file);
