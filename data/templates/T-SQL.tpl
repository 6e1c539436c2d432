%%%データ操作
【 SELECT 】
SELECT [ DISTINCT ] [ TOP ( n ) [ PERCENT ] [ WITH TIES ] ] <選択リスト>
  [ INTO 新しいテーブル ]
  [ FROM <テーブルソース> ]
  [ WHERE 検索条件 ]
  [ GROUP BY 式 [ ,...n ] ]
  [ HAVING 検索条件 ]
  [ ORDER BY 式 [ ASC | DESC ] [ ,...n ]
    [ OFFSET n ROWS [ FETCH NEXT m ROWS ONLY ] ] ]
【 選択リスト 】
  { * | テーブル名.* | 式 [ [ AS ] 列の別名 ] } [ ,...n ]
【 テーブルソース 】
  テーブル名 [ [ AS ] 別名 ] [ WITH ( テーブルヒント [ ,...n ] ) ]
  | テーブルソース { INNER | LEFT [ OUTER ] | RIGHT [ OUTER ] | FULL [ OUTER ] } JOIN テーブルソース ON 結合条件
  | テーブルソース CROSS JOIN テーブルソース
  | テーブルソース { CROSS | OUTER } APPLY テーブル値式
  | ( サブクエリ ) [ AS ] 別名
【 WITH (共通テーブル式) 】
WITH 式名 [ ( 列名 [ ,...n ] ) ] AS ( <SELECT> ) [ ,...n ]
SELECT ... FROM 式名
【 INSERT 】
INSERT [ INTO ] テーブル名 [ ( 列名 [ ,...n ] ) ]
  { VALUES ( { 式 | DEFAULT | NULL } [ ,...n ] ) [ ,...n ]
  | <SELECT>
  | EXECUTE プロシージャ名
  | DEFAULT VALUES }
【 UPDATE 】
UPDATE テーブル名
   SET 列名 = { 式 | DEFAULT | NULL } [ ,...n ]
  [ FROM <テーブルソース> ]
  [ WHERE 検索条件 ]
【 DELETE 】
DELETE [ FROM ] テーブル名
  [ FROM <テーブルソース> ]
  [ WHERE 検索条件 ]
【 MERGE 】
MERGE [ INTO ] 対象テーブル [ AS 別名 ]
USING <テーブルソース> ON 結合条件
WHEN MATCHED [ AND 条件 ] THEN
  UPDATE SET 列名 = 式 [ ,...n ] | DELETE
WHEN NOT MATCHED [ BY TARGET ] [ AND 条件 ] THEN
  INSERT ( 列名 [ ,...n ] ) VALUES ( 式 [ ,...n ] )
WHEN NOT MATCHED BY SOURCE [ AND 条件 ] THEN
  UPDATE SET 列名 = 式 [ ,...n ] | DELETE ;
%%%テーブル・インデックス
【 CREATE TABLE 】
CREATE TABLE [ スキーマ名. ] テーブル名
(
  列名 データ型 [ NULL | NOT NULL ] [ IDENTITY [ ( 初期値, 増分 ) ] ] [ DEFAULT 式 ]
  [ ,...n ]
  [ , CONSTRAINT 制約名 <制約> ] [ ,...n ]
) [ ON ファイルグループ ]
【 制約 】
  PRIMARY KEY [ CLUSTERED | NONCLUSTERED ] ( 列名 [ ASC | DESC ] [ ,...n ] )
  | UNIQUE [ CLUSTERED | NONCLUSTERED ] ( 列名 [ ,...n ] )
  | FOREIGN KEY ( 列名 [ ,...n ] ) REFERENCES 参照テーブル ( 列名 [ ,...n ] )
      [ ON DELETE { NO ACTION | CASCADE | SET NULL | SET DEFAULT } ]
      [ ON UPDATE { NO ACTION | CASCADE | SET NULL | SET DEFAULT } ]
  | CHECK ( 条件 )
【 ALTER TABLE 】
ALTER TABLE [ スキーマ名. ] テーブル名
{ ADD 列名 データ型 [ NULL | NOT NULL ] [ ,...n ]
| ADD CONSTRAINT 制約名 <制約>
| ALTER COLUMN 列名 データ型 [ NULL | NOT NULL ]
| DROP COLUMN 列名 [ ,...n ]
| DROP CONSTRAINT 制約名
| { CHECK | NOCHECK } CONSTRAINT { ALL | 制約名 } }
【 DROP TABLE 】
DROP TABLE [ スキーマ名. ] テーブル名 [ ,...n ]
【 CREATE INDEX 】
CREATE [ UNIQUE ] [ CLUSTERED | NONCLUSTERED ] INDEX インデックス名
  ON テーブル名 ( 列名 [ ASC | DESC ] [ ,...n ] )
  [ INCLUDE ( 列名 [ ,...n ] ) ]
  [ WHERE フィルター条件 ]
  [ WITH ( FILLFACTOR = n | PAD_INDEX = { ON | OFF } | ONLINE = { ON | OFF } [ ,...n ] ) ]
  [ ON ファイルグループ ]
【 ALTER INDEX 】
ALTER INDEX { インデックス名 | ALL } ON テーブル名
{ REBUILD [ WITH ( FILLFACTOR = n [ ,...n ] ) ]
| REORGANIZE
| DISABLE }
【 DROP INDEX 】
DROP INDEX インデックス名 ON テーブル名
%%%プログラム
【 CREATE VIEW 】
CREATE VIEW [ スキーマ名. ] ビュー名 [ ( 列名 [ ,...n ] ) ]
[ WITH SCHEMABINDING ]
AS
  <SELECT>
[ WITH CHECK OPTION ]
【 CREATE PROCEDURE 】
CREATE PROCEDURE [ スキーマ名. ] プロシージャ名
  [ @パラメータ データ型 [ = 既定値 ] [ OUTPUT ] ] [ ,...n ]
AS
BEGIN
  SET NOCOUNT ON;
  処理
  RETURN [ 整数式 ]
END
【 ALTER PROCEDURE 】
ALTER PROCEDURE [ スキーマ名. ] プロシージャ名
  [ @パラメータ データ型 [ = 既定値 ] [ OUTPUT ] ] [ ,...n ]
AS
  処理
【 EXECUTE 】
EXECUTE [ @戻り値 = ] プロシージャ名
  [ [ @パラメータ = ] { 値 | @変数 [ OUTPUT ] | DEFAULT } ] [ ,...n ]
EXECUTE ( '文字列' )
EXECUTE sp_executesql N'文', N'@p1 データ型 [ ,...n ]', @p1 = 値 [ ,...n ]
【 CREATE FUNCTION 】
-- スカラー関数
CREATE FUNCTION [ スキーマ名. ] 関数名 ( [ @パラメータ データ型 [ = 既定値 ] [ ,...n ] ] )
RETURNS データ型
AS
BEGIN
  RETURN 式
END
-- インライン テーブル値関数
CREATE FUNCTION [ スキーマ名. ] 関数名 ( [ @パラメータ データ型 [ ,...n ] ] )
RETURNS TABLE
AS
RETURN ( <SELECT> )
【 CREATE TRIGGER 】
CREATE TRIGGER [ スキーマ名. ] トリガー名
ON テーブル名またはビュー名
{ FOR | AFTER | INSTEAD OF } { [ INSERT ] [ , ] [ UPDATE ] [ , ] [ DELETE ] }
AS
BEGIN
  SET NOCOUNT ON;
  -- inserted / deleted 疑似テーブルで変更行を参照する
  処理
END
%%%制御・トランザクション
【 トランザクション 】
BEGIN TRAN[SACTION] [ トランザクション名 ]
  処理
  SAVE TRAN[SACTION] セーブポイント名
COMMIT [ TRAN[SACTION] ] [ トランザクション名 ]
ROLLBACK [ TRAN[SACTION] ] [ トランザクション名 | セーブポイント名 ]
【 TRY...CATCH 】
BEGIN TRY
  処理
END TRY
BEGIN CATCH
  SELECT ERROR_NUMBER(), ERROR_SEVERITY(), ERROR_STATE(),
         ERROR_PROCEDURE(), ERROR_LINE(), ERROR_MESSAGE();
  IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;
  THROW;
END CATCH
<トランザクション>
【 IF...ELSE 】
IF 条件
  { 文 | BEGIN 文 [ ...n ] END }
[ ELSE
  { 文 | BEGIN 文 [ ...n ] END } ]
【 WHILE 】
WHILE 条件
BEGIN
  処理 [ BREAK ] [ CONTINUE ]
END
【 カーソル 】
DECLARE カーソル名 CURSOR [ LOCAL | GLOBAL ] [ FORWARD_ONLY | SCROLL ]
  [ STATIC | KEYSET | DYNAMIC | FAST_FORWARD ] [ READ_ONLY ]
  FOR <SELECT>
OPEN カーソル名
FETCH NEXT FROM カーソル名 INTO @変数 [ ,...n ]
<WHILE>
  -- WHILE @@FETCH_STATUS = 0 の間、処理して次の行を FETCH する
CLOSE カーソル名
DEALLOCATE カーソル名
【 DECLARE 】
DECLARE @変数 データ型 [ = 初期値 ] [ ,...n ]
DECLARE @テーブル変数 TABLE ( 列名 データ型 [ ,...n ] )
SET @変数 = 式
%%%関数
【 文字列関数 】
LEN( 文字列 )  DATALENGTH( 式 )
LEFT( 文字列, n )  RIGHT( 文字列, n )  SUBSTRING( 文字列, 開始位置, 長さ )
CHARINDEX( 検索文字列, 文字列 [, 開始位置 ] )  PATINDEX( '%パターン%', 文字列 )
REPLACE( 文字列, 検索文字列, 置換文字列 )  STUFF( 文字列, 開始位置, 長さ, 挿入文字列 )
LTRIM( 文字列 )  RTRIM( 文字列 )  UPPER( 文字列 )  LOWER( 文字列 )
REPLICATE( 文字列, 回数 )  CONCAT( 値1, 値2 [ ,...n ] )
【 日付関数 】
GETDATE()  SYSDATETIME()  GETUTCDATE()
DATEADD( 日付部分, 数値, 日付 )  DATEDIFF( 日付部分, 開始日, 終了日 )
DATEPART( 日付部分, 日付 )  DATENAME( 日付部分, 日付 )
YEAR( 日付 )  MONTH( 日付 )  DAY( 日付 )  EOMONTH( 日付 [, 月数 ] )
【 変換関数 】
CAST( 式 AS データ型 )
CONVERT( データ型 [ ( 長さ ) ], 式 [, スタイル ] )
TRY_CAST( 式 AS データ型 )  TRY_CONVERT( データ型, 式 [, スタイル ] )
【 NULL 関連関数 】
ISNULL( 式, 置換値 )  COALESCE( 式1, 式2 [ ,...n ] )  NULLIF( 式1, 式2 )
【 集計関数 】
COUNT( { * | [ DISTINCT ] 式 } )  SUM( 式 )  AVG( 式 )  MIN( 式 )  MAX( 式 )
【 順位関数 】
ROW_NUMBER() OVER ( [ PARTITION BY 式 [ ,...n ] ] ORDER BY 式 [ ASC | DESC ] [ ,...n ] )
RANK() OVER ( ... )  DENSE_RANK() OVER ( ... )  NTILE( n ) OVER ( ... )
【 CASE 】
CASE 式 WHEN 値 THEN 結果 [ ...n ] [ ELSE 結果 ] END
CASE WHEN 条件 THEN 結果 [ ...n ] [ ELSE 結果 ] END
